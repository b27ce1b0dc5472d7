// The main window "CORVINET Dialer" as the tests read it and the calls they place through it.
#include "driver/MainWindow.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "driver/Waits.h"
#include "driver/WindowAccess.h"
#include "resource.h"

namespace e2e {

bool IsConnected(HWND main) {
    return IsControlEnabled(main, IDC_HANGUP) && !IsControlEnabled(main, IDC_DIAL);
}

bool IsNotConnected(HWND main) {
    return IsControlEnabled(main, IDC_DIAL) && !IsControlEnabled(main, IDC_HANGUP);
}

std::map<int, bool> ButtonStates(HWND main) {
    std::map<int, bool> states;
    for (int id :
         {IDC_DIAL, IDC_HANGUP, IDC_MAIL, IDC_TIMER, IDC_USAGE, IDC_CONFIGURE, IDC_LOCATION}) {
        states[id] = IsControlEnabled(main, id);
    }
    return states;
}

long ClockSeconds(HWND main) {
    const std::string text = ControlText(main, IDC_ONLINE_TIME);
    unsigned hours = 0, minutes = 0, seconds = 0;
    char rest = 0;
    if (text.size() < 8 ||
        sscanf(text.c_str(), "%u:%2u:%2u%c", &hours, &minutes, &seconds, &rest) != 3 ||
        minutes > 59 || seconds > 59) {
        return -1;
    }
    return static_cast<long>(hours) * 3600 + minutes * 60 + seconds;
}

bool DialToConnected(HWND main) {
    if (!Click(main, IDC_DIAL)) {
        return false;
    }
    if (!WaitUntil([main] { return IsConnected(main); }) || !WaitForIdle(main)) {
        ADD_FAILURE() << "the window never showed the connected state";
        return false;
    }
    return true;
}

bool HangUpToNotConnected(HWND main) {
    if (!Click(main, IDC_HANGUP)) {
        return false;
    }
    if (!WaitUntil([main] { return IsNotConnected(main); }) || !WaitForIdle(main)) {
        ADD_FAILURE() << "the window never went back to not connected";
        return false;
    }
    return true;
}

}  // namespace e2e
