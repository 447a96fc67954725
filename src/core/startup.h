#pragma once
// modMain: turns a bare process into a workstation ready for sign-in.
#include <functional>
#include <map>
#include <string>

// Splits the command line into tokens keyed 0, 1, 2, ...: "- " sequences join
// the following word, blanks outside double quotes separate tokens (quotes
// stay in the token), every token is lower-cased.
std::map<int, std::string> ParseCommandLine(const std::string& commandLine);
// The same split with the case kept and the blanks inside quotes kept as
// typed, when `lowerCase` is false (to open the file a user named).
std::map<int, std::string> TokenizeCommandLine(const std::string& commandLine, bool lowerCase);

struct CommandLineOptions {
    bool singleInstance = false;
    std::string connIniToken;  // the "-i" token as stored (lower case, quotes kept)
    std::string connIniPath;   // the file the user named: case kept, quotes removed
};
CommandLineOptions ReadCommandLine(const std::string& commandLine);

// The registry key holding the installation root under value "Path".
extern const char* const kRegistryKey;

// Paths and settings: creates g_oConfig from the installation root, the
// connection INI and the client INI. False when the installation cannot be
// located.
bool InitSetting(const CommandLineOptions& options, const std::string& rootOverride);
// The connection string of a connection INI file; "" after a decryption failure.
std::string GetConnStr(const std::string& path);
// Creates and loads the global objects; true when the workstation may sign in.
bool InitGlobalObj();

// Unpacks the update package of the database and starts the updater; true
// when the updater runs and the program must end.
bool UpdateKIV();

struct StartupOptions {
    std::string commandLine;   // the command line without the program name
    std::string rootOverride;  // --root DIR; empty: the registry's "Path"
};

// Main's steps up to the sign-in window, which `signIn` stands for; returns the
// process exit status.
int Main(const StartupOptions& options, const std::function<int()>& signIn);
