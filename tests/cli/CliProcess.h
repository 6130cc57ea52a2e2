#pragma once
#include <windows.h>
#include <functional>
#include <map>
#include <string>
#include <vector>

// One run of the real OstrelCli.exe as a child process, with pipes for its
// three standard streams.
struct CliRun
{
    bool started = false;
    bool finished = false;   // false: it did not end in time and was terminated
    DWORD exitCode = 0;
    std::wstring out;        // standard output, decoded from UTF-8
    std::wstring err;        // standard error, decoded from UTF-8
};

// Called while the child runs with its process and its standard output so
// far; standard input stays open until it returns true.
using CliWatch = std::function<bool(HANDLE process, const std::string& out)>;

// Quotes each argument by the Windows command-line rules. input is written
// to standard input, which is then closed (with watch: once watch says so).
CliRun RunCliProcess(const std::vector<std::wstring>& args, const std::string& input = std::string(),
                     DWORD timeoutMs = 30000, const CliWatch& watch = CliWatch());

// File name -> position of every icon, as the running host's view reports
// them across the process boundary (empty when the view cannot be read).
std::map<std::wstring, std::pair<long, long>> ViewPositions();
