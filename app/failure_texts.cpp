// The failure messages, every one beginning "Upgrade Failed: ".
#include "app/failure_texts.h"

const char kFailWinsockInit[] = "Upgrade Failed: Winsock init error";
const char kFailOpenHttpSocket[] = "Upgrade Failed: Can't open HTTP socket";
const char kFailBindHttpSocket[] = "Upgrade Failed: Can't bind HTTP socket";
const char kFailNoResponse[] = "Upgrade Failed: No Response From QEV";
const char kFailUserAbort[] = "Upgrade Failed: User Abort";
const char kFailListenerMemory[] = "Upgrade Failed: Can't malloc for TFTP listener";
const char kFailListenerSocket[] = "Upgrade Failed: Can't create TFTP listener socket";
const char kFailListenerBind[] = "Upgrade Failed: Can't bind TFTP listener socket";
const char kFailSessionMemory[] = "Upgrade Failed: Can't malloc for TFTP session";
const char kFailUploadIncomplete[] = "Upgrade Failed: Firmware Upload Incomplete";
const char kFailVersionMismatch[] = "Upgrade Failed: Version not matching";
const char kFailHttpThread[] = "Upgrade Failed: Can't start HTTP thread";
const char kFailListenerThread[] = "Upgrade Failed: Can't start TFTP listener thread";
const char kFailPasswordMissing[] = "Upgrade Failed: The QEV asks for a password, and none was given";
const char kFailPasswordRefused[] = "Upgrade Failed: The QEV refused the password";

const char* FailureText(Outcome outcome) {
    switch (outcome) {
        case Outcome::UserAbort: return kFailUserAbort;
        case Outcome::NoResponse: return kFailNoResponse;
        case Outcome::SocketLibrary: return kFailWinsockInit;
        case Outcome::HttpSocketOpen: return kFailOpenHttpSocket;
        case Outcome::HttpSocketBind: return kFailBindHttpSocket;
        case Outcome::HttpThread: return kFailHttpThread;
        case Outcome::ListenerMemory: return kFailListenerMemory;
        case Outcome::ListenerSocket: return kFailListenerSocket;
        case Outcome::ListenerBind: return kFailListenerBind;
        case Outcome::ListenerThread: return kFailListenerThread;
        case Outcome::SessionMemory: return kFailSessionMemory;
        case Outcome::UploadIncomplete:
        case Outcome::NoRequest: return kFailUploadIncomplete;
        case Outcome::VersionMismatch: return kFailVersionMismatch;
        case Outcome::PasswordMissing: return kFailPasswordMissing;
        case Outcome::PasswordRefused: return kFailPasswordRefused;
        case Outcome::Continue:
        case Outcome::Upgraded:
        case Outcome::Declined:
        case Outcome::NoFrontEnd:
        case Outcome::NotVerified:
            return nullptr;
    }
    return nullptr;
}

void ReportOutcome(UpgradeView& view, Outcome outcome) {
    const char* text = FailureText(outcome);
    if (text != nullptr) view.ShowFailure(text);
}
