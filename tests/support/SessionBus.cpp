#include "tests/support/SessionBus.h"

#include "platform/CommandRunner.h"

namespace vexmora::test {

std::unique_ptr<SessionBus>
SessionBus::Start(const std::vector<std::pair<std::string, std::string>>& environment) {
    if (!platform::SystemCommandRunner().IsInstalled("dbus-run-session"))
        return nullptr;
    // The bus lives as long as its one client, a shell that tells the address and waits.
    auto session = BackgroundProcess::Start({"dbus-run-session", "--", "sh", "-c",
                                             "echo \"$DBUS_SESSION_BUS_ADDRESS\"; exec sleep 600"},
                                            environment, true);
    std::string line;
    if (!session || !session->ReadLine(line, 10000) || line.empty())
        return nullptr;
    std::unique_ptr<SessionBus> bus(new SessionBus());
    bus->session_ = std::move(session);
    bus->address_ = line;
    return bus;
}

} // namespace vexmora::test
