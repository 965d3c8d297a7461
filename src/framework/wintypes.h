#pragma once

#include <cstdint>

// The integer types and the colour layout that the controls' interfaces are written in.
using BOOL = int;
using UINT = unsigned int;
using BYTE = std::uint8_t;
using DWORD = std::uint32_t;
using COLORREF = std::uint32_t;  // 0x00BBGGRR

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

constexpr COLORREF RGB(int r, int g, int b)
{
    return COLORREF(r & 0xFF) | (COLORREF(g & 0xFF) << 8) | (COLORREF(b & 0xFF) << 16);
}
constexpr int GetRValue(COLORREF c) { return int(c & 0xFF); }
constexpr int GetGValue(COLORREF c) { return int((c >> 8) & 0xFF); }
constexpr int GetBValue(COLORREF c) { return int((c >> 16) & 0xFF); }
