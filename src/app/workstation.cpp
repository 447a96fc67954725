#include "app/workstation.h"

#include <iostream>

#include "app/shell.h"
#include "core/startup.h"
#include "core/version.h"

namespace {
void PrintUsage() {
    std::cout << "Usage: culinarotable [--root DIR] [-si] [-i CONNECTION_INI]\n"
                 "  --root DIR   installation root (overrides the registry file)\n"
                 "  -si          refuse to start when this workstation already runs the program\n"
                 "  -i FILE      connection INI file instead of Client/cfg/KIV4Connstr.ini\n";
}
}  // namespace

std::string JoinCommandLine(const std::vector<std::string>& args) {
    std::string line;
    for (const std::string& a : args) {
        if (!line.empty()) line += ' ';
        bool quote = a.find(' ') != std::string::npos && a.find('"') == std::string::npos;
        line += quote ? "\"" + a + "\"" : a;
    }
    return line;
}

int RunWorkstation(int argc, char** argv) {
    StartupOptions options;
    std::vector<std::string> rest;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--root" && i + 1 < argc) {
            options.rootOverride = argv[++i];
        } else if (a.rfind("--root=", 0) == 0) {
            options.rootOverride = a.substr(7);
        } else if (a == "--help" || a == "-h") {
            PrintUsage();
            return 0;
        } else if (a == "--version") {
            std::cout << "CulinaroTable " CT_VERSION_TEXT << std::endl;
            return 0;
        } else {
            rest.push_back(a);
        }
    }
    options.commandLine = JoinCommandLine(rest);
    return Main(options, [] {
        Shell shell;
        return shell.Run();
    });
}
