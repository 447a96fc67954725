#include "core/mltext.h"

#include <expat.h>

#include <array>
#include <fstream>
#include <sstream>
#include <vector>

#include "core/globals.h"
#include "core/log.h"

namespace {

constexpr int kBuckets = 1001;

struct MLState {
    bool loaded = false;                              // the reader is kept after a load
    std::vector<std::vector<std::string>> colML;      // language n-1 -> texts by message
    std::array<std::vector<int>, kBuckets + 1> hash;  // bucket -> 1-based message positions
};

MLState& State() {
    static MLState s;
    return s;
}

// SAX handler building one message at a time.
struct MLReader {
    MLState* state = nullptr;
    std::string buffer;
    std::string descKey;
    bool inMessage = false;
    std::vector<std::pair<std::string, std::string>> message;  // (key, text), in order

    void StartElement(const std::string& name, const char** atts) {
        buffer.clear();
        if (name == "MESSAGE") {
            inMessage = true;
            message.clear();
        } else if (name == "DESC") {
            descKey = (atts != nullptr && atts[0] != nullptr) ? atts[1] : "";
        }
    }

    void EndElement(const std::string& name) {
        if (name == "DESC" && inMessage) {
            AddText();
        } else if (name == "MESSAGE" && inMessage) {
            FinishMessage();
            inMessage = false;
        }
    }

    // A language key stands once per message; a text without a key takes
    // its place in the language order and never clashes with another.
    void AddText() {
        if (!descKey.empty()) {
            for (const auto& kv : message) {
                if (kv.first != descKey) continue;
                WriteLog("Duplicate DESC \"" + descKey + "\" in message \"" +
                             message.front().second + "\" ignored",
                         "MLGlobal", "CreateMultiLang", kLogWarning, 1);
                return;
            }
        }
        message.emplace_back(descKey, buffer);
    }

    // Every language list gets one entry per message (empty where the message
    // lacks that language), so a message without a translation cannot shift
    // the translations of the messages after it.
    void FinishMessage() {
        if (message.empty()) return;
        auto& col = state->colML;
        std::size_t count = col.empty() ? 0 : col[0].size();
        while (col.size() < message.size())
            col.emplace_back(count);
        int position = static_cast<int>(count) + 1;
        state->hash[static_cast<std::size_t>(MLHash(message[0].second))].push_back(position);
        for (std::size_t i = 0; i < col.size(); ++i)
            col[i].push_back(i < message.size() ? message[i].second : std::string());
    }
};

void XMLCALL OnStart(void* ud, const XML_Char* name, const XML_Char** atts) {
    static_cast<MLReader*>(ud)->StartElement(name, atts);
}
void XMLCALL OnEnd(void* ud, const XML_Char* name) {
    static_cast<MLReader*>(ud)->EndElement(name);
}
void XMLCALL OnChars(void* ud, const XML_Char* s, int len) {
    static_cast<MLReader*>(ud)->buffer.append(s, static_cast<std::size_t>(len));
}

}  // namespace

int MLHash(const std::string& text) {
    long sum = 0;
    for (unsigned char c : text)
        sum += c;
    return static_cast<int>(sum % kBuckets);
}

void ReleaseMultiLang() {
    State() = MLState{};
}

bool CreateMultiLang(const std::string& path) {
    if (g_nLanguage == 0) g_nLanguage = 1;
    MLState& st = State();
    st = MLState{};
    MLReader reader;
    reader.state = &st;
    std::string error;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "Cannot open file " + path;
    } else {
        std::stringstream ss;
        ss << in.rdbuf();
        std::string text = ss.str();
        XML_Parser p = XML_ParserCreate("UTF-8");
        XML_SetUserData(p, &reader);
        XML_SetElementHandler(p, OnStart, OnEnd);
        XML_SetCharacterDataHandler(p, OnChars);
        if (XML_Parse(p, text.data(), static_cast<int>(text.size()), 1) == XML_STATUS_ERROR) {
            error = std::string(XML_ErrorString(XML_GetErrorCode(p))) + " at line " +
                    std::to_string(XML_GetCurrentLineNumber(p));
        }
        XML_ParserFree(p);
    }
    if (!error.empty() || st.colML.empty()) {
        if (error.empty()) error = "No message found in " + path;
        st = MLState{};
        WriteLog(error, "MLGlobal", "CreateMultiLang", kLogError, 1);
        return false;
    }
    st.loaded = true;
    return true;
}

std::string GetMLText(const std::string& english) {
    const MLState& st = State();
    if (!st.loaded || st.colML.empty()) return english;
    const auto& bucket = st.hash[static_cast<std::size_t>(MLHash(english))];
    const auto& base = st.colML[0];
    for (int pos : bucket) {
        std::size_t i = static_cast<std::size_t>(pos - 1);
        if (i < base.size() && base[i] == english) {
            std::size_t lang = static_cast<std::size_t>(g_nLanguage) - 1;
            if (g_nLanguage < 1 || lang >= st.colML.size() || i >= st.colML[lang].size())
                return english;
            // A message without this language shows its English text.
            const std::string& text = st.colML[lang][i];
            return text.empty() ? english : text;
        }
    }
    return english;
}
