#pragma once
// Reads a metrics file back against the rules of the Prometheus text exposition format: "# HELP"
// and "# TYPE" once per family before its samples, one sample per line, names and label names
// of the allowed characters, label values with only the three escapes, numeric values.
#include <map>
#include <string>
#include <vector>

struct MetricSample {
    std::string name;
    std::map<std::string, std::string> labels;  // values unescaped
    double value = 0;
};

struct MetricsText {
    bool valid = false;
    std::string error;  // the first rule broken, with its line
    std::vector<MetricSample> samples;
    std::map<std::string, std::string> types;  // family name -> type

    // The value of the first sample with this name whose labels include all given ones;
    // -1 when there is none.
    double Value(const std::string& name, const std::map<std::string, std::string>& labels = {}) const;
    int Count(const std::string& name) const;
};

MetricsText ParseMetricsText(const std::string& text);
