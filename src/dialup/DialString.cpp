#include "dialup/DialString.h"

std::string BuildDialString(bool pulseDialing, const char* prefix, const char* accessNumber) {
    std::string dial;
    if (pulseDialing) {
        dial += "DP";
    }
    if (prefix != nullptr && prefix[0] != '\0') {
        dial += prefix;
        dial += ',';
    }
    if (accessNumber != nullptr) {
        dial += accessNumber;
    }
    return dial;
}
