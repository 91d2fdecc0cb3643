// The hints after a run (see hints.h). Each names what happened, in the
// record's terms, and what to check.
#include "cli/hints.h"

#include "app/network_fit.h"
#include "common/text.h"
#include "http/device_query.h"

namespace {

void NoResponse(const RunRecord& record, Hint* hint) {
    hint->kind = "no_response";
    char local[kDottedQuadSize];
    FormatDottedQuad(local, sizeof local, record.localAddress);
    const char* device = record.deviceAddressText;
    unsigned port = kDeviceHttpPort;
    switch (record.connectFailure) {
        case ConnectFailure::Refused:
            FormatText(hint->text, sizeof hint->text,
                       "%s refused the connection to its port %u: nothing listens there. Check that %s is the "
                       "device's address and that the device has finished starting.",
                       device, port, device);
            break;
        case ConnectFailure::TimedOut:
            FormatText(hint->text, sizeof hint->text,
                       "The connection to %s port %u timed out: nothing answered. Check the address, that the "
                       "device is on and connected, and that no firewall drops the connection.",
                       device, port);
            break;
        case ConnectFailure::Unreachable:
            FormatText(hint->text, sizeof hint->text,
                       "There is no route from this PC (%s) to %s. Check the address, and this PC's network "
                       "settings: its address, mask and gateway.",
                       local, device);
            break;
        case ConnectFailure::None:
            FormatText(hint->text, sizeof hint->text,
                       "%s took the connection to its port %u but sent nothing back. Check that it is a QEV "
                       "device, and restart it.",
                       device, port);
            break;
        case ConnectFailure::Other:
            FormatText(hint->text, sizeof hint->text,
                       "No connection to %s port %u could be made from this PC (%s). Check the address and this "
                       "PC's network settings.",
                       device, port, local);
            break;
    }
}

void NeverAsked(const RunRecord& record, Hint* hint) {
    hint->kind = "never_asked";
    char local[kDottedQuadSize], mask[kDottedQuadSize], subnet[192];
    FormatDottedQuad(local, sizeof local, record.localAddress);
    FormatDottedQuad(mask, sizeof mask, record.fit.mask);
    switch (record.fit.fit) {
        case SubnetFit::Same:
            FormatText(subnet, sizeof subnet, "%s is on the device's subnet (mask %s)", local, mask);
            break;
        case SubnetFit::Different:
            FormatText(subnet, sizeof subnet,
                       "%s is NOT on the device's subnet (mask %s): choose an address of this PC on it", local,
                       mask);
            break;
        case SubnetFit::Unknown:
            FormatText(subnet, sizeof subnet, "whether %s is on the device's subnet is not known", local);
            break;
    }
    unsigned port = record.listenerPort;
    FormatText(hint->text, sizeof hint->text,
               "%s was told to fetch the firmware by TFTP from %s, UDP port %u, and never asked for it. %s. A "
               "firewall on this PC must let UDP to port %u through. A device fetches only when it is idle: hang "
               "up its phones.",
               record.deviceAddressText, local, port, subnet, port);
}

void TransferStopped(const RunRecord& record, Hint* hint) {
    hint->kind = "transfer_stopped";
    FormatText(hint->text, sizeof hint->text,
               "The transfer stopped at block %u of %u (%u of %u bytes acknowledged): %s stopped acknowledging. "
               "Check the network between this PC and the device, then upgrade again.",
               static_cast<unsigned>(record.blocksAcknowledged + 1), static_cast<unsigned>(record.blockCount),
               static_cast<unsigned>(record.bytesAcknowledged), static_cast<unsigned>(record.imageSize),
               record.deviceAddressText);
}

void NotVerified(const RunRecord& record, Hint* hint) {
    hint->kind = "not_verified";
    FormatText(hint->text, sizeof hint->text,
               "%s was not heard from after its reboot: the upgrade may still have worked. Once the device is "
               "back, its status page shows its version (Software Version): http://%s%s",
               record.deviceAddressText, record.deviceAddressText, kStatusPagePath);
}

void VersionMismatch(const RunRecord& record, Hint* hint) {
    hint->kind = "version_mismatch";
    FormatText(hint->text, sizeof hint->text, "%s reports version '%s' after its reboot; the image is version '%s'.",
               record.deviceAddressText, record.versionAfter, record.imageVersion);
}

}  // namespace

int FormHints(const RunRecord& record, Outcome outcome, Hint* hints) {
    int count = 0;
    switch (outcome) {
        case Outcome::NoResponse:
            NoResponse(record, &hints[count++]);
            break;
        case Outcome::NoRequest:
            NeverAsked(record, &hints[count++]);
            break;
        case Outcome::UserAbort:
            // Cancelled while waiting for a request that never came.
            if (record.commandSent && !record.requestReceived) NeverAsked(record, &hints[count++]);
            break;
        case Outcome::UploadIncomplete:
            TransferStopped(record, &hints[count++]);
            break;
        case Outcome::NotVerified:
            NotVerified(record, &hints[count++]);
            break;
        case Outcome::VersionMismatch:
            VersionMismatch(record, &hints[count++]);
            break;
        case Outcome::PasswordMissing:
            hints[count].kind = "password_missing";
            CopyText(hints[count++].text, kHintSize,
                     "Give the device's password in a file, --password-file FILE (- for standard input), or in "
                     "the environment variable QEV_PASSWORD.");
            break;
        case Outcome::PasswordRefused:
            hints[count].kind = "password_refused";
            CopyText(hints[count++].text, kHintSize,
                     "Check the user name (--user; admin unless given) and the password given.");
            break;
        default:
            break;
    }
    return count;
}
