#pragma once

/// The application object: checks for an X11 session, creates the Qt application and the
/// platform services, and hands control to AppDelegate until SIGINT, SIGTERM or quit.
class QuillboxApp {
public:
    static int main(int argc, char **argv);
};
