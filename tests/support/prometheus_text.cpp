#include "support/prometheus_text.h"
#include <set>
#include <stdlib.h>

namespace {

bool NameStart(char c, bool colon) { return isalpha((unsigned char)c) || c == '_' || (colon && c == ':'); }
bool NameChar(char c, bool colon) { return NameStart(c, colon) || isdigit((unsigned char)c); }

// Reads a name at text[pos]; empty when there is none.
std::string ReadName(const std::string& text, size_t& pos, bool colon)
{
    const size_t start = pos;
    if (pos >= text.size() || !NameStart(text[pos], colon)) return "";
    while (pos < text.size() && NameChar(text[pos], colon)) ++pos;
    return text.substr(start, pos - start);
}

bool ReadValue(const std::string& text, double& value)
{
    if (text == "+Inf" || text == "-Inf" || text == "NaN") return true;
    if (text.empty()) return false;
    char* end = nullptr;
    value = strtod(text.c_str(), &end);
    return end && *end == 0;
}

// A label set "{a="x",b="y"}" at text[pos]; false with the reason when it breaks a rule.
bool ReadLabels(const std::string& text, size_t& pos, MetricSample& sample, std::string& why)
{
    ++pos;  // "{"
    while (pos < text.size() && text[pos] != '}') {
        const std::string label = ReadName(text, pos, false);
        if (label.empty()) return why = "bad label name", false;
        if (sample.labels.count(label)) return why = "label " + label + " twice", false;
        if (pos + 1 >= text.size() || text[pos] != '=' || text[pos + 1] != '"')
            return why = "label without =\"", false;
        pos += 2;
        std::string value;
        for (;; ++pos) {
            if (pos >= text.size()) return why = "unterminated label value", false;
            const char c = text[pos];
            if (c == '"') break;
            if (c == '\\') {
                if (++pos >= text.size()) return why = "escape at the end", false;
                const char e = text[pos];
                if (e == '\\' || e == '"') value += e;
                else if (e == 'n') value += '\n';
                else return why = "unknown escape", false;
            } else {
                value += c;
            }
        }
        ++pos;
        sample.labels[label] = value;
        if (pos < text.size() && text[pos] == ',') ++pos;
        else if (pos >= text.size() || text[pos] != '}') return why = "label list not closed", false;
    }
    if (pos >= text.size()) return why = "label list not closed", false;
    ++pos;
    return true;
}

}  // namespace

MetricsText ParseMetricsText(const std::string& text)
{
    MetricsText result;
    if (text.empty() || text.back() != '\n') {
        result.error = "the text does not end with a line feed";
        return result;
    }
    std::set<std::string> helped, finished;
    std::string current;  // family whose samples are being read
    size_t start = 0;
    int lineNumber = 0;
    while (start < text.size()) {
        const size_t end = text.find('\n', start);
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        auto fail = [&](const std::string& why) {
            result.error = "line " + std::to_string(lineNumber) + ": " + why + ": " + line;
            return result;
        };
        if (line.empty()) continue;
        if (line.find('\r') != std::string::npos) return fail("carriage return");
        if (line[0] == '#') {
            size_t pos = 1;
            if (line.compare(0, 7, "# HELP ") != 0 && line.compare(0, 7, "# TYPE ") != 0) continue;
            const bool isType = line[2] == 'T';
            pos = 7;
            const std::string name = ReadName(line, pos, true);
            if (name.empty() || pos >= line.size() || line[pos] != ' ') return fail("bad family name");
            const std::string rest = line.substr(pos + 1);
            if (finished.count(name)) return fail("family appears twice");
            if (isType) {
                if (result.types.count(name)) return fail("TYPE twice");
                static const std::set<std::string> kTypes = {"counter", "gauge", "histogram", "summary", "untyped"};
                if (!kTypes.count(rest)) return fail("unknown type");
                result.types[name] = rest;
            } else {
                if (helped.count(name)) return fail("HELP twice");
                helped.insert(name);
            }
            if (!current.empty() && current != name) finished.insert(current);
            current = name;
            continue;
        }
        MetricSample sample;
        size_t pos = 0;
        sample.name = ReadName(line, pos, true);
        if (sample.name.empty()) return fail("bad metric name");
        std::string why;
        if (pos < line.size() && line[pos] == '{' && !ReadLabels(line, pos, sample, why)) return fail(why);
        if (pos >= line.size() || line[pos] != ' ') return fail("no blank before the value");
        std::string value = line.substr(pos + 1);
        const size_t blank = value.find(' ');
        if (blank != std::string::npos) {
            double stamp = 0;
            if (!ReadValue(value.substr(blank + 1), stamp)) return fail("bad timestamp");
            value = value.substr(0, blank);
        }
        if (!ReadValue(value, sample.value)) return fail("bad value");
        if (sample.name != current) {
            if (finished.count(sample.name) || result.types.count(sample.name))
                return fail("samples of a family are not together");
            if (!current.empty()) finished.insert(current);
            current = sample.name;
        }
        if (!result.types.count(sample.name)) return fail("sample without TYPE");
        if (result.types[sample.name] == "counter" &&
            (sample.name.size() < 6 || sample.name.compare(sample.name.size() - 6, 6, "_total") != 0))
            return fail("counter without _total");
        result.samples.push_back(sample);
    }
    result.valid = true;
    return result;
}

double MetricsText::Value(const std::string& name, const std::map<std::string, std::string>& labels) const
{
    for (const MetricSample& s : samples) {
        if (s.name != name) continue;
        bool all = true;
        for (const auto& l : labels) {
            auto it = s.labels.find(l.first);
            if (it == s.labels.end() || it->second != l.second) all = false;
        }
        if (all) return s.value;
    }
    return -1;
}

int MetricsText::Count(const std::string& name) const
{
    int n = 0;
    for (const MetricSample& s : samples) n += s.name == name ? 1 : 0;
    return n;
}
