#pragma once
// culinarotable-admin: the installation tool.
#include <iosfwd>

int RunAdmin(int argc, char** argv, std::ostream& out, std::ostream& err);
