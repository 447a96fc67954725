#include "support/livedesk.h"

LiveDesk::LiveDesk(const TestInstallation& inst, const std::string& computer)
    : LiveDesk(inst.Root(), computer) {}

LiveDesk::LiveDesk(const std::string& root, const std::string& computer)
    : program_(ProgramPath("culinarotable"), {"--root", root}, {{"COMPUTERNAME", computer}}) {
    for (const char* line : {"admin", "admin123", "2"})
        program_.Send(line);
    signedIn_ = program_.WaitFor(kPrompt, 20000) != std::string::npos;
}

std::string LiveDesk::Run(const std::string& line, const std::vector<std::string>& answers) {
    const std::size_t mark = program_.Output().size();
    program_.Send(line);
    for (const std::string& a : answers)
        program_.Send(a);
    const std::size_t echoed = program_.WaitFor(line + "\n", 10000, mark);
    if (echoed == std::string::npos) return "";
    const std::size_t end = program_.WaitFor(kPrompt, 10000, echoed);
    if (end == std::string::npos) return program_.Output().substr(echoed);
    return program_.Output().substr(echoed, end - std::string(kPrompt).size() - echoed);
}

std::string LiveDesk::Line(const std::string& prefix, std::size_t from, int ms) {
    const std::size_t at = program_.WaitFor(prefix, ms, from);
    if (at == std::string::npos) return "";
    const std::size_t start = at - prefix.size();
    const std::size_t nl = program_.WaitFor("\n", 2000, start);
    return program_.Output().substr(start, (nl == std::string::npos ? at : nl - 1) - start);
}

std::string FindRecord(const std::string& output, const std::string& kind, const std::string& key) {
    const std::string head = kind + "\t" + key + "\t";
    for (std::size_t at = output.find(head); at != std::string::npos;
         at = output.find(head, at + 1)) {
        if (at == 0 || output[at - 1] == '\n') return output.substr(at, output.find('\n', at) - at);
    }
    return "";
}

std::string FieldOf(const std::string& line, int n) {
    std::size_t start = 0;
    for (int i = 0; i < n && start != std::string::npos; ++i) {
        start = line.find('\t', start);
        if (start != std::string::npos) ++start;
    }
    if (start == std::string::npos) return "";
    return line.substr(start, line.find('\t', start) - start);
}
