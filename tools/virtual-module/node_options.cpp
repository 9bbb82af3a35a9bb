// node_options.cpp - parsing the virtual module's command line.
#include "node_options.h"

#include <cerrno>
#include <charconv>
#include <limits>
#include <stdexcept>

namespace virtual_module {

const char* const Usage =
    "usage: kx418-virtual-module [--log FILE] MOUNTPOINT --node NAME[:SETTINGS] ...\n"
    "\n"
    "Mounts MOUNTPOINT with one file per --node that behaves like a hidraw node.\n"
    "A node is a KX418 module unless its settings say otherwise. SETTINGS is a\n"
    "comma-separated list of:\n"
    "  vendor=HEX product=HEX version=HEX   identity (default 2b5d, 0418, 0100)\n"
    "  refuse-open=eacces|ebusy             every open fails with that error\n"
    "  attributes-fail                      HIDIOCGRAWINFO fails (EIO)\n"
    "  silent                               reports are never answered\n"
    "  wrong-answer                         answers carry \"!\" in their second\n"
    "                                       byte instead of their first\n"
    "  delay=MS                             answers come MS ms after the report\n"
    "  answer-first                         only the first report is answered\n"
    "  answer-twice                         every answer comes twice\n"
    "  queued-at-open                       each new open finds one \"!\" report\n"
    "                                       in its queue\n"
    "  remove-after=K                       the node is unplugged on report K\n"
    "\n"
    "Prints \"ready\" once the folder is mounted; SIGINT or SIGTERM unmounts it\n"
    "and ends the program, as does the end of the reader of stdout when that is\n"
    "a pipe. Each report received is logged to FILE, one line each.\n"
    "\n"
    "example: kx418-virtual-module --log /tmp/kx418.log /tmp/kx418 \\\n"
    "           --node hidraw0:vendor=1234,product=5678 --node hidraw1:delay=50\n";

namespace {

[[noreturn]] void Fail(std::string message)
{
    throw std::invalid_argument(std::move(message));
}

template <typename Number>
Number Parse_Number(std::string_view setting, std::string_view text, int base)
{
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size())
        Fail("invalid value in node setting \"" + std::string(setting) + "\"");
    return value;
}

void Apply_Setting(Node_Config& node, std::string_view setting)
{
    const std::size_t equals = setting.find('=');
    const std::string_view key = setting.substr(0, equals);
    const std::string_view value =
        equals == std::string_view::npos ? std::string_view{} : setting.substr(equals + 1);
    const bool has_value = equals != std::string_view::npos;

    auto flag = [&](bool& target) {
        if (has_value) Fail("node setting \"" + std::string(key) + "\" takes no value");
        target = true;
    };
    auto needs_value = [&] {
        if (!has_value) Fail("node setting \"" + std::string(key) + "\" needs a value");
    };

    if (key == "vendor") {
        needs_value();
        node.vendor = Parse_Number<std::uint16_t>(setting, value, 16);
    } else if (key == "product") {
        needs_value();
        node.product = Parse_Number<std::uint16_t>(setting, value, 16);
    } else if (key == "version") {
        needs_value();
        node.version = Parse_Number<std::uint16_t>(setting, value, 16);
    } else if (key == "refuse-open") {
        needs_value();
        if (value == "eacces")
            node.refuse_open = EACCES;
        else if (value == "ebusy")
            node.refuse_open = EBUSY;
        else
            Fail("refuse-open takes eacces or ebusy, not \"" + std::string(value) + "\"");
    } else if (key == "attributes-fail") {
        flag(node.attributes_fail);
    } else if (key == "silent") {
        flag(node.silent);
    } else if (key == "wrong-answer") {
        flag(node.wrong_answer);
    } else if (key == "answer-first") {
        flag(node.answer_first);
    } else if (key == "answer-twice") {
        flag(node.answer_twice);
    } else if (key == "queued-at-open") {
        flag(node.queued_at_open);
    } else if (key == "delay") {
        needs_value();
        node.answer_delay_ms = Parse_Number<std::uint32_t>(setting, value, 10);
    } else if (key == "remove-after") {
        needs_value();
        node.remove_after = Parse_Number<std::uint32_t>(setting, value, 10);
        if (node.remove_after == 0) Fail("remove-after counts reports from 1");
    } else {
        Fail("unknown node setting \"" + std::string(key) + "\"");
    }
}

}  // namespace

Node_Config Parse_Node(std::string_view text)
{
    Node_Config node;
    const std::size_t colon = text.find(':');
    node.name = std::string(text.substr(0, colon));
    if (node.name.empty() || node.name == "." || node.name == ".." ||
        node.name.find('/') != std::string::npos)
        Fail("invalid node name \"" + node.name + "\"");

    if (colon == std::string_view::npos) return node;
    std::string_view rest = text.substr(colon + 1);
    while (!rest.empty()) {
        const std::size_t comma = rest.find(',');
        const std::string_view setting = rest.substr(0, comma);
        if (setting.empty()) Fail("empty setting in node \"" + std::string(text) + "\"");
        Apply_Setting(node, setting);
        if (comma == std::string_view::npos) break;
        rest = rest.substr(comma + 1);
        if (rest.empty()) Fail("empty setting in node \"" + std::string(text) + "\"");
    }
    return node;
}

Options Parse_Options(std::span<const std::string_view> arguments)
{
    Options options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        auto next = [&]() -> std::string_view {
            if (i + 1 >= arguments.size()) Fail(std::string(argument) + " needs a value");
            return arguments[++i];
        };
        if (argument == "-h" || argument == "--help") {
            options.help = true;
            return options;
        }
        if (argument == "--log") {
            options.log_path = std::string(next());
        } else if (argument == "--node") {
            Node_Config node = Parse_Node(next());
            for (const Node_Config& other : options.nodes)
                if (other.name == node.name) Fail("node \"" + node.name + "\" given twice");
            options.nodes.push_back(std::move(node));
        } else if (argument.starts_with("-")) {
            Fail("unknown option \"" + std::string(argument) + "\"");
        } else if (options.mountpoint.empty()) {
            options.mountpoint = std::string(argument);
        } else {
            Fail("more than one mount point: \"" + std::string(argument) + "\"");
        }
    }
    if (options.mountpoint.empty()) Fail("no mount point given");
    return options;
}

}  // namespace virtual_module
