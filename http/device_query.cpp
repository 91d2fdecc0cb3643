// The device query runner. The calling thread (main or TFTP listener) owns
// the Connecting dialog and pumps it; the worker only runs HttpGet. Hand-over
// is by order: the request block stays untouched while the worker runs, and
// the result, page fields and credential state are read only after it ended.
#include "http/device_query.h"

#include "common/trace.h"
#include "common/upgrade_state.h"
#include "http/http_exchange.h"
#include "platform/platform_ui.h"
#include "ui/dialog_texts.h"
#include "ui/dialogs.h"
#include "ui/error_box.h"
#include "ui/resource_ids.h"

const char kStatusPagePath[] = "/admin/advanced";

namespace {

constexpr int kPollsPerStep = 10;
constexpr unsigned kProgressMaximum = 100;
constexpr unsigned kPollMilliseconds = 1;

// Progress of one RunDeviceQuery call; carries on across its attempts.
struct QueryProgress {
    unsigned position;
    int polls;
};

// One attempt: the Connecting dialog up while the worker runs; returns the
// worker's result.
int RunAttempt(const DeviceQueryRequest& request, QueryProgress* progress) {
    WindowHandle dialog = CreateModelessDialog(request.instance, IDD_CONNECTING, ConnectingDialogProc);
    ShowDialog(dialog);

    ThreadHandle worker = StartThread(HttpWorker, const_cast<DeviceQueryRequest*>(&request));
    if (worker == nullptr) {
        // No result may be reported for a query that never ran.
        DestroyDialog(dialog);
        ShowUpgradeError(kFailHttpThread, nullptr);
        EndProcess(0);
    }

    int result = 0;
    while (!ThreadHasEnded(worker, &result)) {
        PumpOneMessage(dialog);  // Cancel ends the process here, worker or not
        // Up to 1 ms, but a worker that ends (or input that arrives) is seen at once.
        WaitForThreadOrInput(worker, kPollMilliseconds);
        if (++progress->polls == kPollsPerStep) {
            SetProgressPosition(dialog, IDC_PROGRESS, progress->position);
            if (++progress->position > kProgressMaximum) progress->position = 0;
            progress->polls = 0;
        }
    }
    ReleaseThread(worker);
    DestroyDialog(dialog);
    return result;
}

}  // namespace

int HttpWorker(void* requestBlock) {
    const DeviceQueryRequest* request = static_cast<const DeviceQueryRequest*>(requestBlock);
    Trace("HTTP %x:%u to %x:%u", request->localAddress, request->localPortBase, request->deviceAddress,
          request->devicePort);
    return HttpGet(request->localAddress, request->localPortBase, request->deviceAddress, request->devicePort,
                   request->path, request->buffer, request->size);
}

int RunDeviceQuery(const DeviceQueryRequest& request) {
    QueryProgress progress = {0, 0};
    int automaticRetries = 0;  // 0 or 1; back to 0 whenever the user confirms the password dialog
    for (;;) {
        int result = RunAttempt(request, &progress);
        if (result >= 0) return result;

        // A challenge was taken into the credential state.
        const DigestState& digest = g_upgrade.digest;
        bool renewedNonce = digest.password[0] != '\0' && digest.nonceCount == 0;
        if (renewedNonce && automaticRetries == 0) {
            automaticRetries = 1;  // the device renewed its nonce: answer it once by itself
            continue;
        }
        if (RunModalDialog(request.instance, IDD_PASSWORD, PasswordDialogProc) == 1) {
            automaticRetries = 0;
            continue;
        }
        ShowUpgradeError(kFailUserAbort, nullptr);
        EndProcess(0);
    }
}

int RunDeviceQuery(InstanceHandle instance, std::uint32_t localAddress, std::uint16_t localPortBase,
                   std::uint32_t deviceAddress, std::uint16_t devicePort, const char* path, char* buffer,
                   std::int32_t size) {
    DeviceQueryRequest request = {instance, localAddress, localPortBase, deviceAddress, devicePort, path, buffer, size};
    return RunDeviceQuery(request);
}

int QueryDevice(std::uint32_t localAddress, std::uint32_t deviceAddress, const char* path) {
    return RunDeviceQuery(g_upgrade.instance, localAddress, kHttpLocalPortBase, deviceAddress, kDeviceHttpPort, path,
                          g_upgrade.receiveBuffer, kReceiveLimit);
}
