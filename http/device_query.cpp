// The device query runner. The calling thread (main or TFTP listener) shows
// the Connecting dialog through the view and takes its input; the worker
// only runs HttpGet on the attempt's own record. The runner reads the
// record only after the worker has ended; a query that ends before (the
// user cancelled, or the reply is of no more use) leaves the record to the
// worker, which frees it when it ends.
#include "http/device_query.h"

#include <atomic>
#include <new>

#include "common/text.h"
#include "common/trace.h"
#include "http/http_exchange.h"
#include "http/query_clock.h"

const char kStatusPagePath[] = "/admin/advanced";

namespace {

// One attempt, shared by the runner and its worker: whichever lets go last
// frees it.
struct QueryAttempt {
    HttpExchange exchange;
    std::atomic<int> holders;
};

void LetGo(QueryAttempt* attempt) {
    if (attempt->holders.fetch_sub(1, std::memory_order_acq_rel) == 1) delete attempt;
}

int HttpWorker(void* argument) {
    QueryAttempt* attempt = static_cast<QueryAttempt*>(argument);
    const HttpExchange& exchange = attempt->exchange;
    Trace("HTTP %x:%u to %x:%u", exchange.localAddress, exchange.localPortBase, exchange.deviceAddress,
          exchange.devicePort);
    int result = HttpGet(&attempt->exchange);
    LetGo(attempt);
    return result;
}

// Progress of one RunDeviceQuery call; carries on across its attempts.
struct QueryProgress {
    unsigned position;        // the bar's next position
    std::uint32_t nextStep;   // the clock when the bar steps next
};

// Steps the bar once for every step interval that has passed.
void StepBar(QueryProgress* progress, DeviceQueryView& view, std::uint32_t now) {
    while (static_cast<std::int32_t>(now - progress->nextStep) >= 0) {
        view.QueryProgress(progress->position);
        if (++progress->position > kQueryBarMaximum) progress->position = 0;
        progress->nextStep += kQueryBarStepMs;
    }
}

// Milliseconds from now to the clock time `until`, 0 when it has passed.
unsigned MillisecondsUntil(std::uint32_t until, std::uint32_t now) {
    std::int32_t left = static_cast<std::int32_t>(until - now);
    return left > 0 ? static_cast<unsigned>(left) : 0u;
}

enum class AttemptEnd { Finished, Cancelled, GaveUp, NoReply, NoWorker };

// One attempt: the Connecting dialog up while the worker runs. When it
// finished, *result is the worker's result and *attempt still held.
AttemptEnd RunAttempt(const DeviceQueryRequest& request, DeviceQueryView& view, QueryProgress* progress,
                      QueryAttempt* attempt, int* result) {
    view.QueryAttemptStarted();
    attempt->holders.store(2);
    ThreadHandle worker = StartThread(HttpWorker, attempt);
    if (worker == nullptr) {
        // No result may be reported for a query that never ran.
        attempt->holders.store(1);
        view.QueryAttemptEnded();
        return AttemptEnd::NoWorker;
    }

    AttemptEnd end = AttemptEnd::Finished;
    std::uint32_t started = QueryClock();
    bool ended = false;
    for (;;) {
        if (!view.TakeQueryInput()) {
            end = AttemptEnd::Cancelled;  // the worker may stay blocked on a silent device
            break;
        }
        if (request.giveUp != nullptr && request.giveUp(request.giveUpContext)) {
            end = AttemptEnd::GaveUp;
            break;
        }
        std::uint32_t now = QueryClock();
        StepBar(progress, view, now);
        if (!ended) ended = ThreadHasEnded(worker, result);
        unsigned limitLeft = ~0u;
        if (!ended && request.replyLimitMs != 0) {
            limitLeft = MillisecondsUntil(started + request.replyLimitMs, now);
            if (limitLeft == 0) {
                end = AttemptEnd::NoReply;  // the worker may stay blocked on a silent device
                break;
            }
        }
        // An attempt without a reply lasts its minimum, the dialog live
        // (the worker has ended, so its record may be read).
        unsigned graceLeft = 0;
        if (ended) {
            if (*result != 0 || attempt->exchange.failure != Outcome::Continue) break;
            graceLeft = MillisecondsUntil(started + request.minimumFailedAttemptMs, now);
            if (graceLeft == 0) break;
        }
        // Sleeps until the worker ends, input comes or the bar steps (or the
        // minimum is over).
        unsigned timeout = MillisecondsUntil(progress->nextStep, now);
        if (ended && graceLeft < timeout) timeout = graceLeft;
        if (limitLeft < timeout) timeout = limitLeft;
        WaitForWorkerOrInput(ended ? nullptr : worker, timeout);
    }
    view.QueryAttemptEnded();
    if (end == AttemptEnd::Finished) {
        ReleaseThread(worker);
    } else {
        DetachThread(worker);
    }
    return end;
}

}  // namespace

Outcome RunDeviceQuery(DeviceSession* session, const DeviceQueryRequest& request, DeviceQueryView& view,
                       DeviceQueryResult* result) {
    result->bytes = 0;
    result->connectFailure = ConnectFailure::None;
    result->fields = CurrentPageFields(session);
    // The bar's first step comes one step interval into the query.
    QueryProgress progress = {0, QueryClock() + kQueryBarStepMs};
    int automaticRetries = 0;  // 0 or 1; back to 0 whenever the user confirms the password prompt
    for (;;) {
        QueryAttempt* attempt = new (std::nothrow) QueryAttempt();
        if (attempt == nullptr) return Outcome::HttpThread;
        HttpExchange& exchange = attempt->exchange;
        exchange.localAddress = request.localAddress;
        exchange.localPortBase = request.localPortBase;
        exchange.deviceAddress = request.deviceAddress;
        exchange.devicePort = request.devicePort;
        CopyText(exchange.path, sizeof exchange.path, request.path);
        BeginExchange(session, &exchange);

        int bytes = 0;
        AttemptEnd end = RunAttempt(request, view, &progress, attempt, &bytes);
        if (end == AttemptEnd::NoWorker) {
            LetGo(attempt);
            return Outcome::HttpThread;
        }
        if (end != AttemptEnd::Finished) {
            LetGo(attempt);
            if (end == AttemptEnd::NoReply) result->connectFailure = ConnectFailure::TimedOut;
            return end == AttemptEnd::Cancelled ? Outcome::UserAbort : Outcome::Continue;
        }
        EndExchange(session, exchange, bytes < 0);
        Outcome failure = exchange.failure;
        result->connectFailure = exchange.connectFailure;
        if (bytes >= 0) {
            result->bytes = bytes;
            result->fields = exchange.fields;
        }
        LetGo(attempt);
        if (failure != Outcome::Continue) return failure;
        if (bytes >= 0) return Outcome::Continue;

        // A challenge was taken into the credential state.
        bool renewedNonce;
        {
            std::lock_guard<std::mutex> guard(session->lock);
            renewedNonce = session->digest.password[0] != '\0' && session->digest.nonceCount == 0;
        }
        if (renewedNonce && automaticRetries == 0) {
            automaticRetries = 1;  // the device renewed its nonce: answer it once by itself
            continue;
        }
        char user[kCredentialLimit + 1];
        char password[kCredentialLimit + 1];
        CredentialAnswer answer = view.AskCredentials(user, password);
        if (answer == CredentialAnswer::Cancelled) return Outcome::UserAbort;
        if (answer == CredentialAnswer::Unavailable) {
            // Asked again after a password went out: the device refused it.
            std::lock_guard<std::mutex> guard(session->lock);
            return session->digest.password[0] != '\0' ? Outcome::PasswordRefused : Outcome::PasswordMissing;
        }
        SetCredentials(session, user, password);
        automaticRetries = 0;
    }
}

Outcome QueryDevice(DeviceSession* session, std::uint32_t localAddress, std::uint32_t deviceAddress, const char* path,
                    DeviceQueryView& view, DeviceQueryResult* result, unsigned replyLimitMs) {
    DeviceQueryRequest request = {localAddress, kHttpLocalPortBase, deviceAddress, kDeviceHttpPort, path, nullptr,
                                  nullptr, 0, replyLimitMs};
    return RunDeviceQuery(session, request, view, result);
}
