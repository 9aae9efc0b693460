// Linked into every test program that opens windows: the whole program runs
// on a virtual X server of its own, whatever DISPLAY names, so its windows
// never land on the user's desktop and no other test's window covers them or
// takes their keys.
#include <gtest/gtest.h>

#include <memory>

#include "support/x11_session.h"

namespace {

class OwnDisplay : public ::testing::Environment {
public:
    void SetUp() override { display = std::make_unique<x11_session::VirtualDisplay>(); }
    void TearDown() override { display.reset(); }

private:
    std::unique_ptr<x11_session::VirtualDisplay> display;
};

// Test discovery lists the tests without setting up environments, so listing
// starts no server.
::testing::Environment* const ownDisplay = ::testing::AddGlobalTestEnvironment(new OwnDisplay);

}  // namespace
