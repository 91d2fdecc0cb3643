// The upgrade's view without dialogs (see headless_view.h): each step of the
// upgrade as an event, with its line.
#include "cli/headless_view.h"

#include <cstring>

#include "app/network_fit.h"
#include "common/text.h"
#include "tftp/reboot_wait.h"
#include "ui/dialog_texts.h"

namespace {

constexpr unsigned kPercentStep = 10;  // the upload is told every 10 %

const char* StageName(bool targetStage) { return targetStage ? "target" : "transition"; }

}  // namespace

HeadlessView::HeadlessView(RunOutput& output, const HeadlessSettings& settings, HeadlessCredentials& credentials)
    : output_(output), settings_(settings), credentials_(credentials), queryTold_(false), percentTold_(0) {
    std::memset(&facts_, 0, sizeof facts_);
}

bool HeadlessView::ConfirmWarning() {
    if (settings_.yes) return true;
    output_.Tell(kWarningText);
    return output_.AskYesNo("Continue?");
}

bool HeadlessView::ChooseDevice(AddressChoice* choice) {
    choice->deviceAddress = settings_.deviceAddress;
    CopyText(choice->deviceAddressText, sizeof choice->deviceAddressText, settings_.deviceAddressText);
    choice->localAddress = settings_.localAddress;
    if (choice->localAddress == 0 && facts_.localAddressCount > 0) choice->localAddress = facts_.localAddresses[0];

    char local[kDottedQuadSize], line[kOutputLineSize];
    FormatDottedQuad(local, sizeof local, choice->localAddress);
    FormatText(line, sizeof line, "firmware %s for the %s, fetched by the device from this PC at %s",
               facts_.targetVersion, facts_.displayName, local);
    JsonLine event;
    BeginEvent(&event, "start");
    event.Text("device", choice->deviceAddressText);
    event.Text("local_address", local);
    event.Text("firmware", facts_.targetVersion);
    if (facts_.transitionVersion[0] != '\0') event.Text("transition_firmware", facts_.transitionVersion);
    event.Text("product", facts_.displayName);
    output_.Event(&event, line);
    queryTold_ = true;  // the status query comes next
    return true;
}

bool HeadlessView::ConfirmUpgrade(const PageFields& fields, bool transitionFirst) {
    char line[kOutputLineSize];
    FormatText(line, sizeof line, "%s, MAC %s, serial %s, hardware %s, software %s%s", fields.productName,
               fields.macAddress, fields.serialNumber, fields.hardwareVersion, fields.softwareVersion,
               transitionFirst ? "; older than the transition firmware, which goes first" : "");
    JsonLine event;
    BeginEvent(&event, "device");
    event.Text("product_name", fields.productName);
    event.Text("mac_address", fields.macAddress);
    event.Text("software_version", fields.softwareVersion);
    event.Text("hardware_version", fields.hardwareVersion);
    event.Text("serial_number", fields.serialNumber);
    event.Boolean("transition_first", transitionFirst);
    output_.Event(&event, line);
    if (settings_.yes) return true;
    char question[kOutputLineSize];
    FormatText(question, sizeof question, "Upgrade %s from %s to %s?", settings_.deviceAddressText,
               fields.softwareVersion, facts_.targetVersion);
    return output_.AskYesNo(question);
}

void HeadlessView::ShowSuccess(const char* installedVersion) {
    char line[kOutputLineSize];
    FormatText(line, sizeof line, "installed version %s", installedVersion);
    JsonLine event;
    BeginEvent(&event, "installed");
    event.Text("version", installedVersion);
    output_.Event(&event, line);
}

void HeadlessView::ShowFailure(const char* text) { TellMessage("failure", text); }

void HeadlessView::ShowWarning(const char* text) { TellMessage("warning", text); }

void HeadlessView::TellMessage(const char* kind, const char* text) {
    JsonLine event;
    BeginEvent(&event, kind);
    event.Text("text", text);
    output_.Event(&event, text);
}

void HeadlessView::CommandSent(std::uint32_t localAddress, std::uint16_t port) {
    char local[kDottedQuadSize], line[kOutputLineSize];
    FormatDottedQuad(local, sizeof local, localAddress);
    FormatText(line, sizeof line, "the device was told to fetch the firmware by TFTP from %s, UDP port %u", local,
               static_cast<unsigned>(port));
    JsonLine event;
    BeginEvent(&event, "command");
    event.Text("address", local);
    event.Number("port", port);
    output_.Event(&event, line);
}

void HeadlessView::QueryAttemptStarted() {
    if (!queryTold_) return;
    queryTold_ = false;
    char line[kOutputLineSize];
    FormatText(line, sizeof line, "asking %s for its status", settings_.deviceAddressText);
    JsonLine event;
    BeginEvent(&event, "query");
    output_.Event(&event, line);
}

CredentialAnswer HeadlessView::AskCredentials(char* user, char* password) {
    if (credentials_.password[0] == '\0' || credentials_.given.exchange(true)) return CredentialAnswer::Unavailable;
    CopyText(user, kCredentialLimit + 1, credentials_.user);
    CopyText(password, kCredentialLimit + 1, credentials_.password);
    char line[kOutputLineSize];
    FormatText(line, sizeof line, "the device asks for a password: giving the one given, as user %s", user);
    JsonLine event;
    BeginEvent(&event, "password");
    event.Text("user", user);
    output_.Event(&event, line);
    return CredentialAnswer::Given;
}

void HeadlessView::WaitingStarted() {
    char line[kOutputLineSize];
    FormatText(line, sizeof line, "waiting up to %u s for the device to ask for the firmware",
               static_cast<unsigned>(settings_.requestWaitSeconds));
    JsonLine event;
    BeginEvent(&event, "waiting");
    event.Number("seconds", settings_.requestWaitSeconds);
    output_.Event(&event, line);
}

void HeadlessView::UploadStarted(bool targetStage, std::uint32_t blockCount) {
    percentTold_ = 0;
    char line[kOutputLineSize];
    FormatText(line, sizeof line, "the device asked: uploading the %s firmware (%u blocks)", StageName(targetStage),
               static_cast<unsigned>(blockCount));
    JsonLine event;
    BeginEvent(&event, "upload_started");
    event.Text("stage", StageName(targetStage));
    event.Number("blocks", blockCount);
    output_.Event(&event, line);
}

void HeadlessView::UploadProgress(bool targetStage, std::uint32_t, std::uint32_t bytesAcknowledged,
                                  std::uint32_t imageSize) {
    if (imageSize == 0) return;
    unsigned percent = static_cast<unsigned>(static_cast<std::uint64_t>(bytesAcknowledged) * 100 / imageSize);
    unsigned step = percent / kPercentStep * kPercentStep;
    if (step <= percentTold_) return;
    percentTold_ = step;
    char line[kOutputLineSize];
    FormatText(line, sizeof line, "uploaded %u%% (%u of %u bytes)", step, static_cast<unsigned>(bytesAcknowledged),
               static_cast<unsigned>(imageSize));
    JsonLine event;
    BeginEvent(&event, "upload");
    event.Text("stage", StageName(targetStage));
    event.Number("percent", step);
    event.Number("bytes", bytesAcknowledged);
    event.Number("size", imageSize);
    output_.Event(&event, line);
}

void HeadlessView::RebootWaitStarted(bool targetStage, unsigned ticks) {
    unsigned seconds = (ticks * kRebootTickMs + 500) / 1000;
    char line[kOutputLineSize];
    FormatText(line, sizeof line, "waiting %u s for the device to install the %s firmware and reboot", seconds,
               StageName(targetStage));
    JsonLine event;
    BeginEvent(&event, "reboot_wait");
    event.Text("stage", StageName(targetStage));
    event.Number("seconds", seconds);
    output_.Event(&event, line);
    queryTold_ = true;  // the verification's query comes next
}
