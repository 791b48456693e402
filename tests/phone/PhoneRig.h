#pragma once

#include <map>
#include <memory>

#include "phone/PhoneDetect.h"
#include "phone/SimulatedPhone.h"
#include "tests/phone/FakeSerialDevice.h"

namespace pixelon::test {

// A channel on a fake device whose ports lead to simulated phones (or nowhere), on a fake
// clock, with recorded message boxes.
struct PhoneRig {
    FakeSerialDevice device;
    FakeClock clock;
    CCommsLog log;
    CSerialChannel channel{device, clock, log,
                           [](int port) { return "/dev/sim" + std::to_string(port); }};
    ApplicationSizes sizes;
    RecordingFeedback feedback;
    PhoneLink link{channel, sizes, feedback};
    std::map<std::string, std::unique_ptr<CSimulatedPhone>> phones;

    PhoneRig() {
        device.openCheck = [this](const std::string& path) {
            return phones.count(path) ? 0 : ENOENT;
        };
        device.respond = [this](const std::string& written) {
            auto it = phones.find(device.path_);
            return it == phones.end() ? std::string() : it->second->receive(written);
        };
    }

    CSimulatedPhone& attach(int port, SimProfile profile) {
        auto& slot = phones["/dev/sim" + std::to_string(port)];
        slot = std::make_unique<CSimulatedPhone>(std::move(profile));
        return *slot;
    }

    static SimProfile profile(SimProfileKind kind) {
        SimProfile p;
        p.kind = kind;
        return p;
    }
};

} // namespace pixelon::test
