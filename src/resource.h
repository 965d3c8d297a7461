#pragma once

// The numbers that name the program's dialogs, controls, pictures, strings and timers.

// Dialog templates.
constexpr int IDD_ABOUTBOX = 100;
constexpr int IDD_PLAYER_DIALOG = 131;

// The framework's OK and Cancel commands; the main window's close button is Cancel.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

// Controls of the main window.
constexpr int IDC_CLOSE = IDCANCEL;
constexpr int IDC_PAUSE = 3;
constexpr int IDC_PLAY = 4;
constexpr int IDC_STOP = 5;
constexpr int IDC_PREV_CLIP = 6;
constexpr int IDC_NEXT_CLIP = 7;
constexpr int IDC_LOAD = 8;
constexpr int IDC_ADD_FOLDER = 9;
constexpr int IDC_PREV_PAGE = 10;
constexpr int IDC_PLAY_SELECTED = 11;
constexpr int IDC_NEXT_PAGE = 12;
constexpr int IDC_REMOVE = 13;
constexpr int IDC_VIDEO = 1002;
constexpr int IDC_TIME = 1003;
constexpr int IDC_MAP = 1004;
constexpr int IDC_SEEK = 1006;
constexpr int IDC_VOLUME = 1007;
constexpr int IDC_METER = 1009;
constexpr int IDC_LIST_LEFT = 1013;
constexpr int IDC_LIST_RIGHT = 1014;
constexpr int IDC_EAST = 1024;
constexpr int IDC_NORTH = 1025;

// Icons.
constexpr unsigned IDI_MAINFRAME = 128;
constexpr unsigned IDI_CLOSE = 130;

// Bitmaps.
constexpr unsigned IDB_BACKGROUND = 132;
constexpr unsigned IDB_SEEK_CHANNEL = 145;
constexpr unsigned IDB_THUMB_ACTIVE = 146;
constexpr unsigned IDB_THUMB = 147;
constexpr unsigned IDB_SEEK_CHANNEL_ACTIVE = 148;
constexpr unsigned IDB_VOLUME_CHANNEL = 149;
constexpr unsigned IDB_VOLUME_CHANNEL_ACTIVE = 150;
constexpr unsigned IDB_DIAL = 154;
constexpr unsigned IDB_PLAY = 156;
constexpr unsigned IDB_REMOVE = 157;
constexpr unsigned IDB_PREV_PAGE = 159;
constexpr unsigned IDB_ADD_FOLDER = 160;
constexpr unsigned IDB_LOAD = 161;
constexpr unsigned IDB_NEXT_CLIP = 162;
constexpr unsigned IDB_PAUSE = 163;
constexpr unsigned IDB_STOP = 165;
constexpr unsigned IDB_PREV_CLIP = 166;
constexpr unsigned IDB_NEXT_PAGE = 170;
constexpr unsigned IDB_IDLE = 171;

// Strings.
constexpr unsigned IDS_ABOUTBOX = 101;
constexpr unsigned AFX_IDS_ALLFILTER = 61442;

// Timers of the main window.
constexpr unsigned TIMER_PAGE_WAIT = 1;
constexpr unsigned TIMER_POSITION = 2;
