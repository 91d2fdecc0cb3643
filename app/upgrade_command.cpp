// The upgrade command path, the upgrade file name and the command's sending.
#include "app/upgrade_command.h"

#include "common/socket_address.h"
#include "common/text.h"
#include "http/device_query.h"
#include "platform/platform.h"

namespace {

// The state of the hand-over when the command went out.
struct CommandWatch {
    StageHandOver* handOver;
    std::int32_t stageAtStart;
};

bool ListenerMovedOn(void* context) {
    CommandWatch* watch = static_cast<CommandWatch*>(context);
    return watch->handOver->stageFlag.load() != watch->stageAtStart || ListenerHasEnded(watch->handOver);
}

}  // namespace

void FormUpgradeCommandPath(char* path, std::size_t capacity, std::uint32_t localAddress, std::uint16_t port,
                            const char* upgradeFileName) {
    char address[kDottedQuadSize];
    FormatDottedQuad(address, sizeof address, localAddress);
    FormatText(path, capacity, "/admin/upgrade?tftp://%s:%u%s", address, static_cast<unsigned>(port),
               upgradeFileName);
}

void MakeUpgradeFileName(StageHandOver* handOver, int stageDigit) {
    char name[kUpgradeFileNameSize];
    unsigned number = DrawRandomNumber() & 0xFFFFu;
    FormatText(name, sizeof name, "/qev%x.bi%d", number, stageDigit);
    PublishUpgradeFileName(handOver, name);
}

Outcome SendUpgradeCommand(DeviceSession* session, const UpgradeCommand& command, StageHandOver* handOver,
                           UpgradeView& view) {
    char path[kUpgradeCommandPathSize];
    FormUpgradeCommandPath(path, sizeof path, command.localAddress, command.listenerPort,
                           CurrentUpgradeFileName(*handOver));
    CommandWatch watch = {handOver, handOver->stageFlag.load()};
    DeviceQueryRequest request = {command.localAddress, kHttpLocalPortBase, command.deviceAddress, kDeviceHttpPort,
                                  path, ListenerMovedOn, &watch, 0, command.replyLimitMs};
    DeviceQueryResult ignored;
    return RunDeviceQuery(session, request, view, &ignored);
}
