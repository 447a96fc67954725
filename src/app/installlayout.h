#pragma once
// The files and folders of an installation root that `init` (a new
// installation) and `join` (a desk of an existing one) both lay out:
// Client/bin, Client/cfg with the connection INI, the client INI and the
// translated-text file, Client/Log and Client/Temp.
#include <iosfwd>
#include <string>

// The root as an absolute, normalised path without a trailing slash.
std::string AbsoluteRoot(const std::string& root);

// Creates the client folders, and Data/ when `withData`. False, with the
// reason on `err`, when one cannot be made.
bool MakeInstallFolders(const std::string& root, bool withData, std::ostream& err);

// Section "DB" of KIV4Connstr.ini as the workstation reads it: the fixed part
// of the connection string, the data source, and the login and password as
// hexadecimal cipher text (both empty: integrated security).
struct ConnectionIni {
    std::string connStr;
    std::string dataSource;
    std::string userCipher;
    std::string passwordCipher;
};
bool WriteConnectionIni(const std::string& path, const ConnectionIni& values);

// Writes the client INI with its defaults unless it exists (it holds this
// workstation's preferences), and the translated-text file built into the
// program, into the root's Client/cfg.
bool WriteClientFiles(const std::string& root);

// Writes `text` to `path` as it stands, replacing the file.
bool WriteWholeFile(const std::string& path, const std::string& text);

// The connection INI of a root.
std::string ConnectionIniPath(const std::string& root);
