// tolvane-uidriver: drives the installer from the command line.
//
//   tolvane-uidriver journey SETUP [OPTION]
//       Runs SETUP with OPTION (none: an interactive run, in which the driver
//       clicks Install and Finish), answers message boxes with OK, and prints
//       the window's states, the boxes, the temporary payload files, the
//       installation's footprint (files, shortcuts, registry, search path,
//       Documents files), where the install log is, what it wrote to the
//       registry, the programs it ran with their command lines, and the
//       stubs' journal.
//   tolvane-uidriver screenshots SETUP FOLDER
//       Runs SETUP interactively and saves ready.bmp, installing.bmp and
//       finished.bmp of its window in FOLDER; then ends the installer
//       (without its finish actions).
//
// SETUP and FOLDER may be host paths (/...) or Windows paths.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>

#include "footprint.h"
#include "setup_window.h"
#include "ui_driver.h"

namespace {

using setup::State;

constexpr DWORD kWindowTimeout = 30000;
constexpr DWORD kInstallTimeout = 240000;

void Print(const std::string& text)
{
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), (DWORD)text.size(), &written, nullptr);
}

std::wstring WindowsPath(const std::wstring& path)
{
    return !path.empty() && path[0] == L'/' ? ui::WindowsPathOfHost(ui::Utf8(path)) : path;
}

std::string Seconds(DWORD ms)
{
    char text[32];
    std::snprintf(text, sizeof text, "%5.1fs", ms / 1000.0);
    return text;
}

std::string OneLine(const std::wstring& text)
{
    std::string out;
    for (char c : ui::Utf8(text))
        out += c == '\n' ? std::string("\\n") : c == '\r' ? std::string() : std::string(1, c);
    return out;
}

// What the installation left on the machine, and where its log is.
void PrintFootprint(const std::wstring& program)
{
    Print(footprint::Text(footprint::Collect(footprint::PlacesOf(program))));
    std::ifstream log(footprint::InstallLogPath().c_str(), std::ios::binary);
    int lines = 0, steps = 0;
    for (std::string line; std::getline(log, line); ++lines)
        steps += line.find("  step ") != std::string::npos;
    Print("install log " + ui::Utf8(footprint::InstallLogPath()) +
          (log.is_open() || lines ? ": " + std::to_string(lines) + " lines, " + std::to_string(steps) + " steps\n"
                                  : ": missing\n"));
}

int Journey(const std::wstring& program, const std::wstring& option)
{
    setup::ClearJournal();
    ui::Process installer;
    if (!installer.Start(program, option)) {
        Print("cannot start the installer\n");
        return 2;
    }
    bool interactive = option.empty();
    DWORD start = GetTickCount();
    HWND window = nullptr;
    State last = State::None;
    bool shown = false;
    std::vector<HWND> answered;
    DWORD exitCode = 0;
    bool exited = false;

    // The programs the installer starts itself (regedit, regsvr32, the
    // prerequisites...), with their command lines, in the order seen.
    std::vector<std::pair<DWORD, std::wstring>> children;
    // A process just made may not show its command line yet: read again.
    auto watchChildren = [&] {
        for (DWORD pid : ui::ChildProcesses(installer.Id())) {
            auto known = std::find_if(children.begin(), children.end(),
                                      [&](const std::pair<DWORD, std::wstring>& child) { return child.first == pid; });
            if (known == children.end())
                children.push_back({pid, ui::CommandLineOf(pid)});
            else if (known->second.empty())
                known->second = ui::CommandLineOf(pid);
        }
    };

    Print("window:\n");
    while (GetTickCount() - start < kInstallTimeout) {
        watchChildren();
        if (installer.WaitForExit(0, &exitCode)) {
            exited = true;
            break;
        }
        if (!window || !IsWindow(window))
            window = ui::FindTopWindow(installer.Id(), setup::kCaption);
        if (window && !shown && IsWindowVisible(window)) {
            shown = true;
            Print("  " + Seconds(GetTickCount() - start) + "  shown\n");
        }
        State state = setup::ReadState(window);
        if (state != last && state != State::Other) {
            last = state;
            Print("  " + Seconds(GetTickCount() - start) + "  " + setup::StateName(state) +
                  (window && !IsWindowVisible(window) ? " (hidden)" : "") + "\n");
            if (interactive && state == State::Ready)
                ui::ClickButton(window, setup::kInstall);
            if (interactive && state == State::Finished)
                ui::ClickButton(window, setup::kCancelFinish);
        }
        for (const ui::MessageBoxInfo& box : ui::FindMessageBoxes(installer.Id(), window)) {
            bool seen = false;
            for (HWND done : answered)
                seen = seen || done == box.window;
            if (seen)
                continue;
            Print("  " + Seconds(GetTickCount() - start) + "  message box [" + ui::Utf8(box.caption) + "] " +
                  OneLine(box.text) + " -> OK\n");
            ui::AnswerMessageBox(box, IDOK);
            answered.push_back(box.window);
        }
        Sleep(10);
    }
    if (exited)
        Print("  " + Seconds(GetTickCount() - start) + "  ended, exit code " + std::to_string(exitCode) + "\n");
    else
        Print("  still running after " + Seconds(kInstallTimeout) + "\n");

    Print("temporary payload files after the run (" + ui::Utf8(setup::TempFolder()) + "):\n");
    for (const wchar_t* name : setup::kPayloadFiles) {
        long long size = setup::FileSize(setup::TempFolder() + name);
        char line[128];
        std::snprintf(line, sizeof line, "  %-14s %s\n", ui::Utf8(name).c_str(),
                      size < 0 ? "removed" : (std::to_string(size) + " bytes, left behind").c_str());
        Print(line);
    }

    PrintFootprint(program);

    Print("registry written (HKEY_LOCAL_MACHINE\\SOFTWARE\\TolvaneSample; 64: and 32: are the views):\n");
    const setup::RegistrySnapshot keys = setup::ReadSampleRegistry();
    for (const auto& entry : keys)
        Print("  " + ui::Utf8(entry.first) + (entry.second == L"(key)" ? "" : " = " + ui::Utf8(entry.second)) + "\n");
    if (keys.empty())
        Print("  nothing\n");

    Print("programs the installer ran, with their command lines: " + std::string(children.empty() ? "none\n" : "\n"));
    for (const auto& child : children)
        Print("  " + (child.second.empty() ? "(pid " + std::to_string(child.first) + ", ended before it was read)"
                                           : ui::Utf8(child.second)) +
              "\n");

    // The programs started last (the finish actions) may still be starting.
    std::vector<setup::JournalLine> journal = setup::ReadJournal();
    for (DWORD quiet = 0, waited = 0; quiet < 1000 && waited < 10000; waited += 100) {
        Sleep(100);
        std::vector<setup::JournalLine> now = setup::ReadJournal();
        quiet = now.size() == journal.size() ? quiet + 100 : 0;
        journal = now;
    }
    Print("programs started (" + ui::Utf8(setup::JournalPath()) + "): " + (journal.empty() ? "none\n" : "\n"));
    for (const setup::JournalLine& line : journal)
        Print("  " + ui::Utf8(line.program) + (line.commandLine.empty() ? "" : "  " + ui::Utf8(line.commandLine)) +
              "   [in " + ui::Utf8(line.folder) + "]\n");
    return exited ? 0 : 1;
}

int Screenshots(const std::wstring& program, const std::wstring& folder)
{
    ui::Process installer;
    if (!installer.Start(program, L"")) {
        Print("cannot start the installer\n");
        return 2;
    }
    HWND window = setup::WaitForWindow(installer, kWindowTimeout);
    if (!window) {
        Print("no window\n");
        return 1;
    }
    struct Shot {
        State state;
        const wchar_t* file;
    };
    const Shot shots[] = {{State::Ready, L"ready.bmp"}, {State::Installing, L"installing.bmp"},
                          {State::Finished, L"finished.bmp"}};
    for (const Shot& shot : shots) {
        std::string why = setup::WaitForState(installer, window, shot.state,
                                              shot.state == State::Finished ? kInstallTimeout : kWindowTimeout);
        if (!why.empty()) {
            Print(why);
            return 1;
        }
        // Let the window paint what it has just shown.
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        Sleep(150);
        if (!ui::CaptureWindow(window, folder + L"\\" + shot.file)) {
            Print("cannot capture " + ui::Utf8(shot.file) + "\n");
            return 1;
        }
        Print(std::string(setup::StateName(shot.state)) + ": " + ui::Utf8(shot.file) + "\n");
        if (shot.state == State::Ready)
            ui::ClickButton(window, setup::kInstall);
    }
    // Finish would start the installed client and the reader server, which
    // keep running (and with them the virtual desktop): end the installer instead.
    installer.Terminate();
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    std::wstring command = argc > 1 ? argv[1] : L"";
    if (command == L"journey" && (argc == 3 || argc == 4))
        return Journey(WindowsPath(argv[2]), argc == 4 ? argv[3] : L"");
    if (command == L"screenshots" && argc == 4)
        return Screenshots(WindowsPath(argv[2]), WindowsPath(argv[3]));
    Print("usage: tolvane-uidriver journey SETUP [OPTION]\n"
          "       tolvane-uidriver screenshots SETUP FOLDER\n");
    return 2;
}
