#pragma once
// Translated texts: every user-visible English text is looked up in the
// KIV_ML.xml file loaded at start-up and shown in the current language.
#include <string>

// Loads the file; false (English only) when it is missing, malformed or empty.
bool CreateMultiLang(const std::string& path);
// The text in language g_nLanguage; `english` itself when not found.
std::string GetMLText(const std::string& english);
// Forgets the loaded texts (tests, re-start).
void ReleaseMultiLang();
// The bucket of a text: the sum of its byte values modulo 1001.
int MLHash(const std::string& text);
