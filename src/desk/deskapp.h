#pragma once
// The culinarotable-desk program: the workstation's start-up and sign-in,
// then the desk window on the signed-in session. With --script FILE the
// file's lines drive it as standard input drives the console: sign-in lines
// first, then one command a line, each question taking the next line.
#include <string>

class DeskWindow;
class Shell;

// The command only the window has: `screenshot FILE`.
void AddDeskCommands(Shell& shell, DeskWindow& window);

int RunDesk(int argc, char** argv);
