// A setting command's options, made from its setting's description: one
// option per field, named as the field, whose help gives the field's meaning,
// its range or list and its default. Every field is written: what the command
// line leaves out comes, with --config FILE, from the window's configuration,
// else from its default. The description reads and checks the values; the OK
// line and the JSON result list what was written, by the fields' names.
#pragma once

#include <CLI/CLI.hpp>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "cli_request.h"
#include "setting_fields.h"
#include "setting_values.h"

struct SettingOptions {
    const SettingLayout* layout = nullptr;
    CLI::App* command = nullptr;
    std::vector<std::string> given;  // one per field: the default until given
};

std::shared_ptr<SettingOptions> AddSettingOptions(CLI::App& command, const SettingLayout& layout);

// Where --config FILE keeps a field's value.
struct FileValue {
    const char* field;
    std::string key;  // as messages name it: "[PARA] BAUDRATE in printer-tool.ini"
    std::string text;
    ChoiceForm form = ChoiceForm::Words;  // the file keeps a choice as its index
};

// One input per field: the option as given; else the file's value, named by
// its key ("--rate ([PARA] BAUDRATE in printer-tool.ini)"); else the
// default. A field with none of them is refused as required.
std::optional<std::string> OptionInputs(const SettingOptions& options,
                                        std::span<const FileValue> file,
                                        std::vector<FieldInput>& inputs);

// Reads `inputs` (one per field) and makes the request the setting's job,
// with the values its OK line and JSON result list; or says why it cannot be
// sent.
std::optional<std::string> UseSettingInputs(CliRequest& request, const SettingLayout& layout,
                                            std::span<const FieldInput> inputs);

// Both, for a command whose fields need nothing else.
std::optional<std::string> ReadSettingOptions(CliRequest& request, const SettingOptions& options,
                                              std::span<const FileValue> file);
