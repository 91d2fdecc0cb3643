// Outcomes as exit statuses and as names (see exit_status.h).
#include "app/exit_status.h"

#include "common/exit_status.h"

int ExitStatus(Outcome outcome) {
    switch (outcome) {
        case Outcome::Upgraded: return kExitUpgraded;
        case Outcome::Declined:
        case Outcome::UserAbort: return kExitCancelled;
        case Outcome::NotVerified: return kExitNotVerified;
        case Outcome::Continue:
        case Outcome::NoFrontEnd:
        case Outcome::NoResponse:
        case Outcome::SocketLibrary:
        case Outcome::HttpSocketOpen:
        case Outcome::HttpSocketBind:
        case Outcome::HttpThread:
        case Outcome::ListenerMemory:
        case Outcome::ListenerSocket:
        case Outcome::ListenerBind:
        case Outcome::ListenerThread:
        case Outcome::SessionMemory:
        case Outcome::UploadIncomplete:
        case Outcome::NoRequest:
        case Outcome::VersionMismatch:
        case Outcome::PasswordMissing:
        case Outcome::PasswordRefused:
            return kExitFailed;
    }
    return kExitFailed;
}

const char* OutcomeName(Outcome outcome) {
    switch (outcome) {
        case Outcome::Continue: return "unfinished";
        case Outcome::Upgraded: return "upgraded";
        case Outcome::Declined: return "declined";
        case Outcome::NoFrontEnd: return "no_front_end";
        case Outcome::NotVerified: return "not_verified";
        case Outcome::UserAbort: return "user_abort";
        case Outcome::NoResponse: return "no_response";
        case Outcome::SocketLibrary: return "socket_library";
        case Outcome::HttpSocketOpen: return "http_socket_open";
        case Outcome::HttpSocketBind: return "http_socket_bind";
        case Outcome::HttpThread: return "http_thread";
        case Outcome::ListenerMemory: return "listener_memory";
        case Outcome::ListenerSocket: return "listener_socket";
        case Outcome::ListenerBind: return "listener_bind";
        case Outcome::ListenerThread: return "listener_thread";
        case Outcome::SessionMemory: return "session_memory";
        case Outcome::UploadIncomplete: return "upload_incomplete";
        case Outcome::NoRequest: return "no_request";
        case Outcome::VersionMismatch: return "version_mismatch";
        case Outcome::PasswordMissing: return "password_missing";
        case Outcome::PasswordRefused: return "password_refused";
    }
    return "unknown";
}
