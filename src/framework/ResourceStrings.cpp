#include "framework/ResourceStrings.h"

#include "framework/Application.h"

std::string LoadResString(UINT id) {
    char buffer[kMaxResourceString] = "";
    int length = LoadStringA(Application::GetInstance(), id, buffer, kMaxResourceString);
    return std::string(buffer, length > 0 ? static_cast<size_t>(length) : 0);
}
