#include "app/command_line.h"

#include <cstring>
#include <string>
#include <vector>

#include "base/config.h"
#include "base/log.h"
#include "base/report.h"
#include "platform/platform.h"

namespace {

std::vector<std::string> split_words(const char* text)
{
    std::vector<std::string> words;
    std::string word;
    for (const char* p = text ? text : "";; ++p) {
        if (*p == ' ' || *p == '\0') {
            if (!word.empty()) words.push_back(word);
            word.clear();
            if (*p == '\0') break;
        } else {
            word += *p;
        }
    }
    return words;
}

bool is_help_word(const std::string& w) { return w == "-help" || w == "--help" || w == "-h" || w == "-?"; }

// A rejected command line points to the usage text everywhere but in the log.
void report_bad_command_line(AppWindow* owner, const std::string& message, const char* title)
{
    static constexpr const char* kHint = "\nTry -help.";
    const std::string shown = format_bounded(kMessageSize - std::strlen(kHint), "%s", message.c_str()) + kHint;
    report_message_shown(owner, message.c_str(), shown.c_str(), title, kMbIconError);
}

}  // namespace

EarlyOptions early_options(const char* text)
{
    EarlyOptions found;
    const std::vector<std::string> words = split_words(text);
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& w = words[i];
        if (w == "-version" || w == "-proxy") ++i;  // its value is no option
        else if (w == "-auto") found.autoMode = 1;
        else if (is_help_word(w) && !found.version) found.help = 1;
        else if (w == "--version" && !found.help) found.version = 1;
    }
    return found;
}

int parse_command_line(const char* text, AppWindow* owner)
{
    const std::vector<std::string> words = split_words(text);
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& w = words[i];
        if (w == "-auto") {
            g_config.autoMode = 1;
        } else if (w == "-debug") {
            g_config.debug = 1;
        } else if (w == "-nocheck") {
            g_config.noCheck = 1;
        } else if (w == "-quick") {
            g_config.quickExit = 1;
        } else if (w == "-reset") {
            g_config.resetUpdates = 1;
        } else if (w == "-version") {
            if (i + 1 < words.size()) g_config.hostVersion = words[++i];
        } else if (w == "-proxy") {
            if (i + 1 >= words.size()) {
                report_bad_command_line(owner, "Didn't specify address of proxy server!", "Proxy server address");
                return 0;
            }
            g_config.proxy = words[++i];
        } else {
            std::string message = format_bounded(kMessageSize, "Unrecognized command-line option: %s", w.c_str());
            report_bad_command_line(owner, message, "Bad command line");
            return 0;
        }
    }
    return 1;
}
