// The installer as a subscriber runs it, quietly (/S), in the test prefix: what it puts where,
// the Start-menu shortcut and its working directory, the uninstall entry, the installed program
// started the way the shortcut starts it, and the quiet uninstall that keeps the call log and
// the settings. The build makes the installer from this build's CORVINET.exe
// (<build>/installer/, target corvinet_installer).
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "texts/Texts.h"
#include "driver/Driver.h"
#include "resource.h"
#include "support/Registry.h"
#include "usage/CallRecord.h"

#ifndef CORVINET_SETUP_NAME
#error "the build names the installer file in CORVINET_SETUP_NAME"
#endif

using namespace e2e;
using testsupport::FileExists;
using testsupport::JoinPath;

namespace {

constexpr char kUninstallKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\CORVINET Dialer";
constexpr char kSettingsKey[] = "Software\\MAVQOS\\Dialer";
constexpr wchar_t kProduct[] = L"CORVINET Dialer";
constexpr char kVersion[] = "1.0.6.0";
// Installing and uninstalling take a few seconds under Wine; leave room for a busy machine.
constexpr int kSetupTimeoutMs = 90000;

std::wstring KnownFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) {
        return L"";
    }
    return path;
}

// Where the installer puts things for the current user.
struct Places {
    std::wstring installDir =
        JoinPath(KnownFolder(CSIDL_LOCAL_APPDATA), L"Programs\\CORVINET Dialer");
    std::wstring program = JoinPath(installDir, L"CORVINET.exe");
    std::wstring uninstaller = JoinPath(installDir, L"uninstall.exe");
    std::wstring dataDir = JoinPath(KnownFolder(CSIDL_APPDATA), kProduct);
    std::wstring shortcut = JoinPath(KnownFolder(CSIDL_PROGRAMS), L"CORVINET Dialer.lnk");
};

bool DirectoryExists(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Runs a command line and waits for it; its exit code, or nothing when it could not be started
// or did not end in time (it is then ended).
std::optional<DWORD> RunAndWait(std::wstring commandLine, int timeoutMs = kSetupTimeoutMs) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
        ADD_FAILURE() << "cannot start " << ToCp1252(commandLine) << " (" << GetLastError() << ")";
        return std::nullopt;
    }
    CloseHandle(info.hThread);
    std::optional<DWORD> result;
    if (WaitForSingleObject(info.hProcess, static_cast<DWORD>(timeoutMs)) == WAIT_OBJECT_0) {
        DWORD code = 0;
        if (GetExitCodeProcess(info.hProcess, &code)) {
            result = code;
        }
    } else {
        ADD_FAILURE() << ToCp1252(commandLine) << " did not end within " << timeoutMs << " ms";
        TerminateProcess(info.hProcess, 99);
    }
    CloseHandle(info.hProcess);
    return result;
}

struct Shortcut {
    std::wstring target;
    std::wstring workingDirectory;
    std::wstring arguments;
};

// Reads a .lnk file through the shell's own link object, as Explorer does when the user
// clicks it.
std::optional<Shortcut> ReadShortcut(const std::wstring& path) {
    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link)))) {
        return std::nullopt;
    }
    std::optional<Shortcut> result;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        if (SUCCEEDED(file->Load(path.c_str(), STGM_READ))) {
            wchar_t target[MAX_PATH] = {}, directory[MAX_PATH] = {}, arguments[1024] = {};
            WIN32_FIND_DATAW found{};
            if (SUCCEEDED(link->GetPath(target, MAX_PATH, &found, SLGP_RAWPATH)) &&
                SUCCEEDED(link->GetWorkingDirectory(directory, MAX_PATH)) &&
                SUCCEEDED(link->GetArguments(arguments, 1024))) {
                result = Shortcut{target, directory, arguments};
            }
        }
        file->Release();
    }
    link->Release();
    return result;
}

// Paths compare without regard to case, as Windows names files.
bool SamePath(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

std::string Cp1252(const std::wstring& text) {
    return ToCp1252(text);
}

// Takes away whatever an earlier, interrupted run left: a test always starts from a user who
// never installed the program.
void RemoveInstallation(const Places& places) {
    testsupport::DeleteTree(places.installDir);
    DeleteFileW(places.shortcut.c_str());
    testsupport::DeleteKey(HKEY_CURRENT_USER, kUninstallKey);
    testsupport::DeleteTree(places.dataDir);
}

class Installer : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        ResetSettings();
        RemoveInstallation(places);
        setup = JoinPath(JoinPath(testsupport::BuildDirectory(), L"installer"),
                         FromCp1252(CORVINET_SETUP_NAME));
        ASSERT_TRUE(FileExists(setup))
            << "no installer at " << Cp1252(setup) << " (the build makes it with makensis)";
    }
    void TearDown() override {
        RemoveInstallation(places);
        CoUninitialize();
    }

    std::optional<DWORD> InstallQuietly() { return RunAndWait(L"\"" + setup + L"\" /S"); }

    Places places;
    std::wstring setup;
};

TEST_F(Installer, QuietInstallStartFromShortcutAndQuietUninstallKeepingTheLog) {
    // ---- Install --------------------------------------------------------------------------
    ASSERT_EQ(InstallQuietly(), std::optional<DWORD>(0));

    // The program is the one this build made, byte for byte; the line simulator stays out.
    const std::optional<std::string> installed = testsupport::ReadFileBytes(places.program);
    const std::optional<std::string> built =
        testsupport::ReadFileBytes(JoinPath(testsupport::ExeDirectory(), L"CORVINET.exe"));
    ASSERT_TRUE(installed.has_value()) << "no program at " << Cp1252(places.program);
    ASSERT_TRUE(built.has_value());
    EXPECT_TRUE(*installed == *built) << "the installed program differs from the built one";
    EXPECT_TRUE(FileExists(places.uninstaller));
    EXPECT_FALSE(FileExists(JoinPath(places.installDir, L"rasapi32.dll")));
    EXPECT_TRUE(DirectoryExists(places.dataDir)) << "no data folder " << Cp1252(places.dataDir);

    // The shortcut starts the installed program in the data folder, without arguments.
    const std::optional<Shortcut> shortcut = ReadShortcut(places.shortcut);
    ASSERT_TRUE(shortcut.has_value()) << "cannot read " << Cp1252(places.shortcut);
    EXPECT_TRUE(SamePath(shortcut->target, places.program)) << Cp1252(shortcut->target);
    EXPECT_TRUE(SamePath(shortcut->workingDirectory, places.dataDir))
        << Cp1252(shortcut->workingDirectory);
    EXPECT_EQ(shortcut->arguments, L"");

    // The uninstall entry of the current user.
    const std::string installDir = Cp1252(places.installDir);
    const std::string uninstaller = "\"" + Cp1252(places.uninstaller) + "\"";
    auto entry = [](const char* name) {
        return testsupport::ReadString(HKEY_CURRENT_USER, kUninstallKey, name).value_or("<none>");
    };
    EXPECT_EQ(entry("DisplayName"), texts::kAppTitle);
    EXPECT_EQ(entry("DisplayVersion"), kVersion);
    EXPECT_EQ(entry("Publisher"), "CORVINET");
    EXPECT_EQ(entry("UninstallString"), uninstaller);
    EXPECT_EQ(entry("QuietUninstallString"), uninstaller + " /S");
    EXPECT_EQ(entry("InstallLocation"), installDir);
    EXPECT_EQ(entry("DisplayIcon"), "\"" + Cp1252(places.program) + "\",0");
    EXPECT_EQ(testsupport::ReadDword(HKEY_CURRENT_USER, kUninstallKey, "NoModify"),
              std::optional<uint32_t>(1));
    EXPECT_EQ(testsupport::ReadDword(HKEY_CURRENT_USER, kUninstallKey, "NoRepair"),
              std::optional<uint32_t>(1));

    // ---- The installed program, started as the shortcut starts it --------------------------
    // The test runs replace the system's remote-access DLL by the line simulator for every
    // program (WINEDLLOVERRIDES, which a Windows parent cannot change for one child), so the
    // simulator goes beside the installed program while it runs, and away before the uninstall.
    const std::wstring simulator = JoinPath(places.installDir, L"rasapi32.dll");
    ASSERT_TRUE(CopyFileW(JoinPath(testsupport::ExeDirectory(), L"rasapi32.dll").c_str(),
                          simulator.c_str(), TRUE));
    const std::wstring log = JoinPath(places.dataDir, L"CORVINET.REC");
    {
        RunOptions options;
        options.exe = shortcut->target;
        options.workDir = shortcut->workingDirectory;
        options.lineSimulatorInWorkDir = false;
        ProgramRun program(options);
        ASSERT_TRUE(program.Start());
        HWND main = program.WaitForMainWindow();
        ASSERT_NE(main, nullptr) << "the installed program showed no main window";
        EXPECT_EQ(WindowText(main), texts::kAppTitle);
        EXPECT_TRUE(IsControlEnabled(main, IDC_DIAL));

        // The program holds its log open without sharing while it runs.
        ASSERT_TRUE(WaitUntil([&log] { return FileExists(log); }))
            << "no call log in the shortcut's working directory";
        // The settings the uninstaller must keep exist once the program ran.
        EXPECT_TRUE(testsupport::KeyExists(HKEY_CURRENT_USER, kSettingsKey));

        // Ended as a user ends it: Escape, then Yes to the close question.
        PressKey(main, VK_ESCAPE);
        const MessageBoxInfo question = program.WaitForMessageBox();
        ASSERT_TRUE(question) << "no close question after Escape";
        ASSERT_TRUE(Answer(question, IDYES));
        EXPECT_EQ(program.WaitForExit(), std::optional<DWORD>(0));
    }
    ASSERT_TRUE(DeleteFileW(simulator.c_str()));
    const std::optional<std::string> logBytes = testsupport::ReadFileBytes(log);
    ASSERT_TRUE(logBytes.has_value());
    EXPECT_TRUE(
        IsValidLogHeader(reinterpret_cast<const uint8_t*>(logBytes->data()), logBytes->size()));

    // ---- Quiet uninstall with the entry's own command -------------------------------------
    const std::string quiet = entry("QuietUninstallString");
    ASSERT_EQ(RunAndWait(FromCp1252(quiet)), std::optional<DWORD>(0));
    // The uninstaller hands over to a copy of itself in the temporary folder and returns at
    // once; that copy does the work.
    EXPECT_TRUE(WaitUntil(
        [this] {
            return !FileExists(places.uninstaller) && !DirectoryExists(places.installDir) &&
                   !testsupport::KeyExists(HKEY_CURRENT_USER, kUninstallKey);
        },
        kSetupTimeoutMs))
        << "after the uninstall: folder " << DirectoryExists(places.installDir) << ", entry "
        << testsupport::KeyExists(HKEY_CURRENT_USER, kUninstallKey);
    EXPECT_FALSE(FileExists(places.program));
    EXPECT_FALSE(FileExists(places.shortcut));

    // The user's call log and settings stay.
    const std::optional<std::string> kept = testsupport::ReadFileBytes(log);
    ASSERT_TRUE(kept.has_value()) << "the uninstall removed the call log";
    EXPECT_TRUE(*kept == *logBytes) << "the call log changed";
    EXPECT_TRUE(testsupport::KeyExists(HKEY_CURRENT_USER, kSettingsKey));
}

// The program's file is in use while it runs: the installer stops, says so (quietly: exit
// code 2), and changes nothing.
TEST_F(Installer, RefusesToInstallWhileTheProgramRuns) {
    ProgramRun program;
    ASSERT_TRUE(program.Start());
    ASSERT_NE(program.WaitForMainWindow(), nullptr);

    EXPECT_EQ(InstallQuietly(), std::optional<DWORD>(2));
    EXPECT_FALSE(DirectoryExists(places.installDir));
    EXPECT_FALSE(FileExists(places.shortcut));
    EXPECT_FALSE(testsupport::KeyExists(HKEY_CURRENT_USER, kUninstallKey));
}

}  // namespace
