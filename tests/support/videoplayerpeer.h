#pragma once

#include "engine/videoplayer.h"

#include <vlc/vlc.h>

// The tests' way into the engine: an event as libVLC's event thread hands it over.
class CVideoPlayerPeer
{
public:
    static void Report(const libvlc_event_t& event, CVideoPlayer* pPlayer)
    {
        CVideoPlayer::OnEvent(&event, pPlayer);
    }
};
