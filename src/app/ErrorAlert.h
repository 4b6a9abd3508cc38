#pragma once

#include "platform/Ui.h"

#include <string_view>

namespace scanbrook {

/// Shows a failure of the application shell in its one modal alert: the title line
/// "An error occurred:", `message` unchanged as the body, and a single "OK" button. Returns once
/// the user has dismissed it. Main thread only.
void showErrorAlert(platform::AlertPresenter& alerts, std::string_view message);

} // namespace scanbrook
