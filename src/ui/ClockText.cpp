#include "ui/ClockText.h"

#include "texts/Texts.h"
#include "framework/TextFormat.h"

std::string FormatOnlineTime(int64_t seconds) {
    if (seconds < 0) {
        seconds = 0;  // a clock set back while on line shows no negative time
    }
    char text[32];
    FormatText(text, sizeof(text), texts::kOnlineTimeFormat, static_cast<int>(seconds / 3600),
               static_cast<int>((seconds % 3600) / 60), static_cast<int>(seconds % 60));
    return text;
}
