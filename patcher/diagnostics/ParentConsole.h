#pragma once
// While it lives, standard output writes into the console of the process that
// started the program (a GUI-subsystem program has none of its own).
class COutToParentConsole {
public:
    COutToParentConsole();
    ~COutToParentConsole();

    COutToParentConsole(const COutToParentConsole&) = delete;
    COutToParentConsole& operator=(const COutToParentConsole&) = delete;

private:
    int attached_ = 0;
    int descriptor_ = -1;
};
