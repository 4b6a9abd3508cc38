#include "app/ErrorAlert.h"

#include "support/Fakes.h"

#include <gtest/gtest.h>

namespace scanbrook {
namespace {

TEST(ErrorAlert, ShowsTheFixedTitleLineAndTheMessageUnchanged) {
    test::FakeAlertPresenter alerts;
    showErrorAlert(alerts, "Can't check for updates:\nNo app version string found.");
    ASSERT_EQ(alerts.shown.size(), 1U);
    const platform::AlertRequest& alert = alerts.shown[0];
    EXPECT_EQ(alert.style, platform::AlertStyle::Critical);
    EXPECT_EQ(alert.messageText, "An error occurred:");
    EXPECT_EQ(alert.informativeText, "Can't check for updates:\nNo app version string found.");
    EXPECT_EQ(alert.buttons, std::vector<std::string>{"OK"});
}

} // namespace
} // namespace scanbrook
