// What a step of the upgrade came to. Start-up, the device query, the TFTP
// listener and session and the verification return one of these instead of
// ending the process themselves; the upgrade sequence (app/) turns a
// failure into its message and ends the run, in one place.
#pragma once

enum class Outcome {
    Continue,         // the step did what it should; the upgrade goes on
    Upgraded,         // the target image is installed and its version accepted
    // Ends without a message:
    Declined,         // the user cancelled the warning or the address entry
    NoFrontEnd,       // the user interface could not be set up
    NotVerified,      // the device was not heard from after its reboot
    // Ends with the failure message of app/failure_texts.h:
    UserAbort,        // Cancel in a progress dialog, the password or the confirmation
    NoResponse,       // the first status query got no reply
    SocketLibrary,    // the socket library could not be started
    HttpSocketOpen,
    HttpSocketBind,
    HttpThread,       // a query's worker could not be set up
    ListenerMemory,
    ListenerSocket,
    ListenerBind,
    ListenerThread,
    SessionMemory,
    UploadIncomplete,
    NoRequest,        // the device never asked for the image within the wait the front end allows
    VersionMismatch,
    PasswordMissing,  // the device asks for a password, and the front end has none to give
    PasswordRefused,  // the device refused the password the front end gave
};

// True for the outcomes that end the run.
inline bool EndsRun(Outcome outcome) { return outcome != Outcome::Continue; }
