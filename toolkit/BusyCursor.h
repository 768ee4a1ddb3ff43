#pragma once
// The wait cursor over every window of the program while a command runs.
//
// A command holds the event loop until it is done, so the cursor has to be
// set before the work starts; a short command has put it back before the
// screen shows it, a long one (formatting ten megabytes) shows it until it
// ends. Guards nest: only the outermost one sets and restores the cursor.
//
// A modal dialog opened by a command waits for the user, not the other way
// round: while a TPause lives, the ordinary cursor is back.
class TBusyCursor {
public:
    TBusyCursor();
    ~TBusyCursor();
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;

    class TPause {
    public:
        TPause();
        ~TPause();
        TPause(const TPause&) = delete;
        TPause& operator=(const TPause&) = delete;
    };

    // True while the wait cursor shows.
    static bool Showing();
};
