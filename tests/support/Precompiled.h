// The headers nearly every Windows test source includes, compiled once for all of them
// (cmake/windows-tests.cmake).
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
