// Running the host simulator from tests; see HostRunner.h.
#include "common/HostRunner.h"

#include "common/TestFiles.h"
#include "platform/platform.h"

namespace testing_host {

namespace {

// One argument of a Windows command line: quoted when it holds blanks or quotes, with the
// backslashes before a quote doubled.
std::string Quote(const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) return argument;
    std::string out = "\"";
    size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') {
            out.append(backslashes * 2 + 1, '\\');
        } else {
            out.append(backslashes, '\\');
        }
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, '\\');
    return out + "\"";
}

// The null device of either side, opened for reading or writing (inheritable).
HANDLE OpenNull(DWORD access, SECURITY_ATTRIBUTES* inherit) {
    for (const char* name : {"NUL", "\\dev\\null"}) {
        HANDLE handle = CreateFileA(name, access, FILE_SHARE_READ | FILE_SHARE_WRITE, inherit, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE) return handle;
    }
    return INVALID_HANDLE_VALUE;
}

}  // namespace

std::vector<testing_json::Value> Result::Events(const std::string& event) const {
    std::vector<testing_json::Value> found;
    for (const testing_json::Value& line : lines) {
        if (line["event"].Str() == event) found.push_back(line);
    }
    return found;
}

testing_json::Value Result::First(const std::string& event) const {
    for (const testing_json::Value& line : lines) {
        if (line["event"].Str() == event) return line;
    }
    return testing_json::Value();
}

std::string ProgramFolder() {
    char path[4096] = "";
    GetModuleFileNameA(nullptr, path, sizeof(path));
    std::string folder = path;
    const size_t slash = folder.find_last_of('\\');
    return slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
}

std::string HostProgram() {
    const std::string windows = ProgramFolder() + "mirvane-host.exe";
    return testing_files::Exists(windows) ? windows : ProgramFolder() + "mirvane-host";
}

std::string TestPlugin() {
    const std::string windows = ProgramFolder() + "TestPlugin.dll";
    return testing_files::Exists(windows) ? windows : ProgramFolder() + "TestPlugin.so";
}

Result Run(const std::vector<std::string>& arguments) {
    Result result;
    std::string commandLine = Quote(HostProgram());
    for (const std::string& argument : arguments) commandLine += " " + Quote(argument);

    SECURITY_ATTRIBUTES inherit = {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readPipe = nullptr;
    HANDLE writePipe = nullptr;
    if (!CreatePipe(&readPipe, &writePipe, &inherit, 0)) return result;
    // Standard error (Wine's and the platform layer's console notes) is not part of the report.
    HANDLE input = OpenNull(GENERIC_READ, &inherit);
    HANDLE errors = OpenNull(GENERIC_WRITE, &inherit);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input;
    startup.hStdOutput = writePipe;
    startup.hStdError = errors;
    PROCESS_INFORMATION process = {};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    const BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    CloseHandle(writePipe);
    if (input != INVALID_HANDLE_VALUE) CloseHandle(input);
    if (errors != INVALID_HANDLE_VALUE) CloseHandle(errors);
    if (!started) {
        CloseHandle(readPipe);
        return result;
    }
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(readPipe, buffer, sizeof(buffer), &read, nullptr) && read > 0) result.output.append(buffer, read);
    CloseHandle(readPipe);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    result.exitCode = static_cast<int>(code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);

    size_t start = 0;
    while (start < result.output.size()) {
        size_t end = result.output.find('\n', start);
        if (end == std::string::npos) end = result.output.size();
        std::string text = result.output.substr(start, end - start);
        start = end + 1;
        if (!text.empty() && text.back() == '\r') text.pop_back();
        if (text.empty()) continue;
        testing_json::Value value;
        std::string error;
        if (testing_json::Parse(text, &value, &error)) {
            result.lines.push_back(value);
        } else {
            result.badLines.push_back(text + "  <- " + error);
        }
    }
    return result;
}

}  // namespace testing_host
