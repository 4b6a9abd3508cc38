#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

/// The user-interface operations the window's logic needs, free of any toolkit. The Qt
/// adapters live in platform/qt; tests use the fakes in tests/support.
namespace scanbrook::platform {

class TextField {
public:
    virtual ~TextField() = default;
    virtual std::string stringValue() const = 0;
    virtual void setStringValue(std::string_view text) = 0;
};

/// An up/down control holding an integer within its range; setting a value outside the range
/// holds the nearest bound instead.
class Stepper {
public:
    virtual ~Stepper() = default;
    virtual std::int64_t integerValue() const = 0;
    virtual void setIntegerValue(std::int64_t value) = 0;
};

/// Turns the period text into a number.
class NumberFormatter {
public:
    virtual ~NumberFormatter() = default;
    /// The integer value (fraction dropped toward zero) of the number the text spells, or
    /// nullopt when it spells none. Values beyond the 64-bit range hold the nearest bound.
    virtual std::optional<std::int64_t> integerFromString(std::string_view text) const = 0;
};

/// The output console: text in which every character carries a font size and the platform's
/// text colour.
class Console {
public:
    virtual ~Console() = default;
    /// Replaces the whole content with `utf8`, every character in the console font at
    /// `fontSize` points and the text colour.
    virtual void replaceText(std::string_view utf8, double fontSize) = 0;
    /// Adds `utf8` at the end, in the console font at `fontSize` points and the text colour.
    virtual void appendText(std::string_view utf8, double fontSize) = 0;
    /// Sets the font of the whole content to the console font at `fontSize`, in one batch,
    /// keeping every other attribute.
    virtual void refont(double fontSize) = 0;
    /// The characters only, as UTF-8.
    virtual std::string plainText() const = 0;
    /// Selects the line numbered `line` (0 for the first) and scrolls it into view, leaving the
    /// text as it is; does nothing when there is no such line.
    virtual void selectLine(std::size_t line) = 0;
    /// Scrolls so that the end of the content is in view.
    virtual void scrollToEnd() = 0;
};

/// One scanner's row in the summary's table.
struct SummaryRow {
    std::string name;
    std::int64_t runs = 0;
    /// The report's 23-character time of its last run, or empty.
    std::string lastRun;
    /// The class of its last event ("clean", "scan_problem", "threat_remediated",
    /// "threat_found").
    std::string lastResult;
    /// Its events with the warning marker.
    std::int64_t warnings = 0;
    /// The gravest class among its events, and how grave that is (higher is graver).
    std::string status;
    int gravity = 0;
};

/// How the summary's line should catch the eye.
enum class SummaryTone {
    Plain,   ///< all is well
    Caution, ///< a threat removed, scans that did not finish, stale scans, none, an unread log
    Alarm,   ///< a threat still there
};

struct SummaryDisplay {
    std::string verdictLine;
    SummaryTone tone = SummaryTone::Plain;
    std::vector<SummaryRow> rows;
    /// XProtect's data versions, scan settings and notes, one line each.
    std::vector<std::string> protectionLines;
};

/// The compact summary of the last check beside the console: a line in words, a table of the
/// scanners that the user can sort (gravest first until then), and XProtect's own state.
class SummaryView {
public:
    virtual ~SummaryView() = default;
    /// Replaces the line, the table and the protection's lines.
    virtual void showSummary(const SummaryDisplay& summary) = 0;
    /// Shows no line and an empty table.
    virtual void clearSummary() = 0;
    /// Hides or shows the summary, and the control that toggles it says so.
    virtual void setSummaryHidden(bool hidden) = 0;
    /// `handler` gets a scanner's name each time the user activates its row (a double-click).
    virtual void setScannerActivation(std::function<void(const std::string& name)> handler) = 0;
    /// Draws the summary's text at `points`, the console's size.
    virtual void setFontSize(double points) = 0;
};

/// The window's commands whose availability the controller decides; a command's button and
/// menu item are enabled together.
enum class WindowCommand { RunScans, SaveReport, BiggerText, SmallerText };

class CommandStates {
public:
    virtual ~CommandStates() = default;
    virtual void setCommandEnabled(WindowCommand command, bool enabled) = 0;
};

/// A line below the report for what the window has to say outside it, with at most one button
/// that offers what to do next.
class NoticeLine {
public:
    virtual ~NoticeLine() = default;
    /// Shows `text`, and with a non-empty `actionTitle` a button so titled that calls `action`
    /// (and hides the line) when pressed. Replaces an earlier notice.
    virtual void showNotice(std::string_view text, std::string_view actionTitle = {},
                            std::function<void()> action = nullptr) = 0;
    virtual void hideNotice() = 0;
};

/// The line beside the spinner that says how far a check has got while it runs.
class ProgressLine {
public:
    virtual ~ProgressLine() = default;
    /// From now on shows what `text` returns, asked again a few times a second on the main
    /// thread; nothing while it returns an empty text. Replaces an earlier `text`.
    virtual void showProgress(std::function<std::string()> text) = 0;
    /// Shows nothing and stops asking.
    virtual void hideProgress() = 0;
};

class Spinner {
public:
    virtual ~Spinner() = default;
    virtual void setHidden(bool hidden) = 0;
    virtual void setUsesThreadedAnimation(bool threaded) = 0;
    virtual void startAnimation() = 0;
    virtual void stopAnimation() = 0;
};

class WindowDelegate {
public:
    virtual ~WindowDelegate() = default;
    /// Asked when the user closes the window; true lets it close.
    virtual bool windowShouldClose() = 0;
};

class Window {
public:
    virtual ~Window() = default;
    virtual void setDelegate(WindowDelegate* delegate) = 0;
    virtual void setTitle(std::string_view title) = 0;
};

class Application {
public:
    virtual ~Application() = default;
    /// Ends the application. Returns to the caller; the end follows when control goes back to
    /// the event loop.
    virtual void terminate() = 0;
};

struct SaveRequest {
    std::string defaultName;
    std::vector<std::string> allowedFileTypes;
    bool canCreateDirectories = true;
};

/// A free-standing save panel (not a sheet on the window). Its answer arrives later, on the
/// main thread.
class SavePanel {
public:
    virtual ~SavePanel() = default;
    /// Shows the panel and returns at once; `completion` gets the chosen path, or nullopt when
    /// the user cancelled or no path was chosen.
    virtual void begin(const SaveRequest& request,
                       std::function<void(std::optional<std::string> path)> completion) = 0;
};

enum class AlertStyle { Informational, Critical };

struct AlertRequest {
    AlertStyle style = AlertStyle::Informational;
    std::string messageText;          ///< the bold first line
    std::string informativeText;      ///< the body
    std::vector<std::string> buttons; ///< in the order shown; the first is the default
};

/// Modal alerts, shown application-modally on the main thread.
class AlertPresenter {
public:
    virtual ~AlertPresenter() = default;
    /// Number of the first button: the answer of the first button is kFirstButton, of the second
    /// kFirstButton + 1, and so on.
    static constexpr int kFirstButton = 1000;
    /// Shows the alert and returns the answer once the user has pressed a button.
    virtual int runModal(const AlertRequest& request) = 0;
};

/// The application's Help menu.
class HelpMenu {
public:
    virtual ~HelpMenu() = default;
    /// Gives the first item titled `title` a check mark and the title `newTitle`; does nothing
    /// when there is no such item.
    virtual void checkAndRetitleItem(std::string_view title, std::string_view newTitle) = 0;
};

/// Opens a URL in the user's default application for it (the browser, for an HTTPS address).
class UrlOpener {
public:
    virtual ~UrlOpener() = default;
    virtual void openUrl(const std::string& url) = 0;
};

} // namespace scanbrook::platform
