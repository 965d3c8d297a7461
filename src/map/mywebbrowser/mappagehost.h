#pragma once

// What the page's calls do in the program. The main window implements it and is handed to
// the page-visible object (CImpIDispatch, impidispatch.h).
class IMapPageHost
{
public:
    // CB_CustomFunction: the test message box.
    virtual void ShowScriptTestMessage() = 0;
    // CB_SetStartupCenterPoint: answer with SetStartupCenterPoint(lat,lng) if there is a start point.
    virtual void SendStartPoint() = 0;
    // CB_SetGPSPageInitialized: the live map is ready.
    virtual void OnGpsPageInitialized() = 0;
    // CB_SeekToRouteSecond(second): the user clicked the route at that second of the clip. A
    // host that shows no route has nothing to do.
    virtual void SeekToRouteSecond(double dSecond) { static_cast<void>(dSecond); }

protected:
    ~IMapPageHost() = default;
};
