// The record of runs (see run_log.h).
#include "cli/run_log.h"

#include "app/exit_status.h"
#include "app/failure_texts.h"
#include "app/network_fit.h"

const char* OutcomeText(Outcome outcome) {
    const char* failure = FailureText(outcome);
    if (failure != nullptr) return failure;
    switch (outcome) {
        case Outcome::Upgraded: return "Upgraded";
        case Outcome::Declined: return "Cancelled before the device was asked";
        case Outcome::NotVerified: return "Not heard from after the reboot";
        case Outcome::NoFrontEnd: return "No user interface";
        default: return "";
    }
}

void FormRunLine(const RunRecord& record, Outcome outcome, const char* time, JsonLine* line) {
    line->Text("time", time);
    bool chosen = record.deviceAddress != 0;
    char local[kDottedQuadSize];
    FormatDottedQuad(local, sizeof local, record.localAddress);
    line->Text("device", chosen ? record.deviceAddressText : nullptr);
    line->Text("local_address", chosen ? local : nullptr);
    if (record.deviceAnswered) {
        line->BeginObject("before");
        line->Text("product_name", record.before.productName);
        line->Text("mac_address", record.before.macAddress);
        line->Text("software_version", record.before.softwareVersion);
        line->Text("hardware_version", record.before.hardwareVersion);
        line->Text("serial_number", record.before.serialNumber);
        line->EndObject();
    } else {
        line->Null("before");
    }
    line->Text("version_after", record.heardAfterReboot ? record.versionAfter : nullptr);
    line->BeginObject("image");
    line->Text("version", record.imageVersion);
    line->Number("size", record.imageSize);
    line->EndObject();
    line->Number("bytes_sent", record.bytesAcknowledged);
    line->BeginObject("durations_ms");
    line->Number("query", record.queryMs);
    line->Number("transfer", record.transferMs);
    line->Number("reboot_wait", record.rebootMs);
    line->EndObject();
    line->Text("outcome", OutcomeName(outcome));
    line->Number("exit_status", ExitStatus(outcome));
    line->Text("text", OutcomeText(outcome));
}
