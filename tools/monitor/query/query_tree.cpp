// Each answer builds the tree of the whole model again: at most kMaxRows addresses, and only when
// a client asks, so there is nothing to keep in step with the model.
#include "query_tree.h"

#include "json_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

namespace monitor {

namespace {

using common::jsonString;

struct Node {
    std::map<std::string_view, Node> contents;
    const Row *row = nullptr; // the method, when a message was sent to this very path
};

// The attributes a node may have; others that clients know of are not served.
constexpr const char *kServed[] = {"FULL_PATH", "DESCRIPTION", "ACCESS",  "TYPE",
                                   "VALUE",     "RANGE",       "CONTENTS"};
constexpr const char *kNotServed[] = {"TAGS",     "EXTENDED_TYPE", "UNIT", "CRITICAL",
                                      "CLIPMODE", "OVERLOADS",     "HTML"};

template <size_t N> bool listed(const char *const (&names)[N], std::string_view name) {
    for (const char *known : names)
        if (name == known)
            return true;
    return false;
}

// The shortest text that reads back as the same float or double. Some clients read a number
// without a point as an integer, so a float always has one.
std::string floatNumber(double value, bool single) {
    if (!std::isfinite(value))
        return "null";
    char text[40];
    for (int digits = 6; digits <= 17; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, value);
        double back = std::strtod(text, nullptr);
        if (single ? static_cast<float>(back) == static_cast<float>(value) : back == value)
            break;
    }
    std::string out = text;
    return out.find_first_of(".e") == std::string::npos ? out + ".0" : out;
}

std::string integerNumber(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.0f", value);
    return text;
}

bool isInteger(char type) { return type == 'i' || type == 'h'; }
bool isFloat(char type) { return type == 'f' || type == 'd'; }

std::string numberOf(char type, double value) {
    return isInteger(type) ? integerNumber(value) : floatNumber(value, type == 'f');
}

// One JSON item per type tag; what JSON cannot hold (blobs, nil, true, time tags…) is null.
std::string valueItem(const Row &row, size_t i) {
    char type = row.types[i];
    if (i >= static_cast<size_t>(kMaxValues))
        return "null"; // not kept by the model
    const Value &value = row.values[i];
    if (isInteger(type) || isFloat(type))
        return numberOf(type, value.number);
    if (type == 's' || type == 'S')
        return jsonString(value.text);
    if (type == 'c')
        return jsonString(std::string_view(value.text + 1, std::strlen(value.text) >= 3 ? 1 : 0));
    return "null";
}

std::string rangeItem(const Row &row, size_t i) {
    char type = row.types[i];
    if (i >= static_cast<size_t>(kMaxValues) || !(isInteger(type) || isFloat(type)))
        return "{}";
    const Series &series = row.series[i];
    if (!(series.min <= series.max))
        return "{}";
    return "{\"MIN\":" + numberOf(type, series.min) + ",\"MAX\":" + numberOf(type, series.max) + "}";
}

std::string arrayOf(const Row &row, std::string (*item)(const Row &, size_t)) {
    std::string out = "[";
    for (size_t i = 0; row.types[i]; ++i)
        out += (i ? "," : "") + item(row, i);
    return out + "]";
}

std::string describeContainer(const std::string &path) {
    if (path == "/")
        return "every address the monitor has received";
    return path == "/vrenn" ? "the hub's connectors" : "the addresses under " + path;
}

// The attribute of a node, as "KEY":value, or "" when the node has none.
std::string attribute(const Node &node, const std::string &path, std::string_view name);

std::string nodeJson(const Node &node, const std::string &path) {
    std::string out = "{";
    for (const char *name : kServed)
        if (std::string item = attribute(node, path, name); !item.empty())
            out += (out.size() > 1 ? "," : "") + item;
    return out + "}";
}

std::string contentsJson(const Node &node, const std::string &path) {
    std::string out = "{";
    for (const auto &[name, child] : node.contents) {
        std::string childPath = (path == "/" ? path : path + "/") + std::string(name);
        out += (out.size() > 1 ? "," : "") + jsonString(name) + ":" + nodeJson(child, childPath);
    }
    return out + "}";
}

std::string attribute(const Node &node, const std::string &path, std::string_view name) {
    std::string key = "\"" + std::string(name) + "\":";
    if (name == "FULL_PATH")
        return key + jsonString(path);
    if (name == "DESCRIPTION")
        return key + jsonString(node.row ? describeAddress(path) : describeContainer(path));
    if (name == "ACCESS")
        return key + (node.row ? "1" : "0");
    if (name == "CONTENTS")
        return node.contents.empty() ? "" : key + contentsJson(node, path);
    if (!node.row)
        return "";
    if (name == "TYPE")
        return key + jsonString(node.row->types);
    return key + arrayOf(*node.row, name == "VALUE" ? valueItem : rangeItem);
}

// The tree of every address; its keys point into the model's addresses.
Node treeOf(const Model &model) {
    Node root;
    for (const auto &[address, row] : model.rows()) {
        Node *node = &root; // "/" is the root itself; "/a/b" is b in a
        for (std::string_view rest = std::string_view(address).substr(1); address != "/";) {
            size_t slash = rest.find('/');
            node = &node->contents[rest.substr(0, slash)];
            if (slash == std::string_view::npos)
                break;
            rest = rest.substr(slash + 1);
        }
        node->row = &row;
    }
    return root;
}

const Node *find(const Node &root, std::string_view path) {
    const Node *node = &root;
    if (path == "/")
        return node;
    for (std::string_view rest = path.substr(1);;) {
        size_t slash = rest.find('/');
        auto child = node->contents.find(rest.substr(0, slash));
        if (child == node->contents.end())
            return nullptr;
        node = &child->second;
        if (slash == std::string_view::npos)
            return node;
        rest = rest.substr(slash + 1);
    }
}

std::string hostInfo(std::string_view hostName) {
    return "{\"NAME\":" + jsonString("vrennosc-monitor on " + std::string(hostName)) +
           ",\"OSC_TRANSPORT\":\"UDP\",\"EXTENSIONS\":{\"ACCESS\":true,\"VALUE\":true,\"RANGE\":true,"
           "\"DESCRIPTION\":true,\"LISTEN\":true,\"PATH_ADDED\":true,\"PATH_REMOVED\":true}}";
}

} // namespace

std::string describeAddress(std::string_view address) {
    constexpr std::string_view prefix = "/vrenn/";
    std::string_view rest = address.substr(0, prefix.size()) == prefix ? address.substr(prefix.size()) : "";
    size_t dash = rest.find('-');
    std::string_view label = rest.substr(0, dash), name = dash == rest.npos ? "" : rest.substr(dash + 1);
    std::string connector;
    if (label.size() == 2 && label[0] == 'A' && label[1] >= '0' && label[1] <= '3')
        connector = "analog connector " + std::string(label);
    else if (label.size() == 2 && label[0] == 'D' && label[1] >= '2' && label[1] <= '8')
        connector = "digital connector " + std::string(label);
    else if (label == "I2C")
        connector = "an I2C connector";
    else if (label == "UART")
        connector = "the UART connector";
    if (connector.empty() || name.empty())
        return "the messages sent to " + std::string(address);
    return "\"" + std::string(name) + "\", on " + connector + " of the hub";
}

QueryAnswer answerQuery(const Model &model, std::string_view path, std::string_view query,
                        std::string_view hostName) {
    if (query == "HOST_INFO") // whatever the path
        return {200, hostInfo(hostName)};
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    if (path.empty() || path[0] != '/')
        return {404, ""};
    Node root = treeOf(model);
    const Node *node = find(root, path);
    if (!node)
        return {404, ""};
    std::string full(path);
    if (query.empty())
        return {200, nodeJson(*node, full)};
    if (listed(kNotServed, query))
        return {204, ""};
    if (!listed(kServed, query))
        return {400, ""};
    if (query == "VALUE" && !node->row)
        return {204, ""}; // a container has no value to read
    std::string item = attribute(*node, full, query);
    return {200, "{" + item + "}"};
}

} // namespace monitor
