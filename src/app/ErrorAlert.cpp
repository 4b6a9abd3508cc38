#include "app/ErrorAlert.h"

#include <string>

namespace scanbrook {

void showErrorAlert(platform::AlertPresenter& alerts, std::string_view message) {
    platform::AlertRequest alert;
    alert.style = platform::AlertStyle::Critical;
    alert.messageText = "An error occurred:";
    alert.informativeText = std::string(message);
    alert.buttons = {"OK"};
    // The alert only informs; which button closed it does not matter.
    static_cast<void>(alerts.runModal(alert));
}

} // namespace scanbrook
