#pragma once

#include "platform/Ui.h"

namespace scanbrook::platform {

/// Alerts as application-modal message boxes titled with the application's name.
class QtAlertPresenter final : public AlertPresenter {
public:
    int runModal(const AlertRequest& request) override;
};

} // namespace scanbrook::platform
