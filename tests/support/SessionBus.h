#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/BackgroundProcess.h"

namespace vexmora::test {

// A private D-Bus session bus (dbus-run-session) for one test, ended with every service it
// activated when the object goes away.
class SessionBus {
public:
    // The environment is handed to the bus and so to the services it starts (XDG_CONFIG_HOME
    // for xfconfd, say). Nothing when dbus-run-session is missing or does not come up.
    static std::unique_ptr<SessionBus>
    Start(const std::vector<std::pair<std::string, std::string>>& environment = {});

    // For DBUS_SESSION_BUS_ADDRESS.
    const std::string& address() const { return address_; }

private:
    std::unique_ptr<BackgroundProcess> session_;
    std::string address_;
};

} // namespace vexmora::test
