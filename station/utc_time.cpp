#include "utc_time.h"

#include <cstdio>

std::string UtcText(std::chrono::system_clock::time_point time) {
    const auto seconds = std::chrono::floor<std::chrono::seconds>(time);
    const auto days = std::chrono::floor<std::chrono::days>(seconds);
    const std::chrono::year_month_day date(days);
    const std::chrono::hh_mm_ss clock(seconds - days);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ",
                  static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                  static_cast<unsigned>(date.day()), static_cast<int>(clock.hours().count()),
                  static_cast<int>(clock.minutes().count()),
                  static_cast<int>(clock.seconds().count()));
    return text;
}

std::optional<std::chrono::system_clock::time_point> ParseUtcTime(const std::string& text) {
    int year = 0;
    unsigned month = 0;
    unsigned day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    char separator = 'T';
    int used = 0;
    const int fields = std::sscanf(text.c_str(), "%4d-%2u-%2u%n%c%2d:%2d%n:%2d%n", &year, &month,
                                   &day, &used, &separator, &hour, &minute, &used, &second, &used);
    // A date alone, or with hours and minutes, and maybe seconds.
    if (fields != 3 && fields != 6 && fields != 7)
        return std::nullopt;
    if (fields > 3 && separator != 'T' && separator != ' ')
        return std::nullopt;
    std::string rest = text.substr(static_cast<size_t>(used));
    if (rest == "Z" || rest == "z")
        rest.clear();
    const std::chrono::year_month_day date{std::chrono::year(year), std::chrono::month(month),
                                           std::chrono::day(day)};
    if (!rest.empty() || !date.ok() || hour > 23 || minute > 59 || second > 60 || hour < 0 ||
        minute < 0 || second < 0)
        return std::nullopt;
    const auto time = std::chrono::sys_days(date) + std::chrono::hours(hour) +
                      std::chrono::minutes(minute) + std::chrono::seconds(second);
    return std::chrono::system_clock::time_point(time);
}

std::optional<std::string> ParseUtcText(const std::string& text) {
    const auto time = ParseUtcTime(text);
    if (!time)
        return std::nullopt;
    return UtcText(*time);
}
