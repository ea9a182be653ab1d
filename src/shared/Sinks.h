#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The small outputs through which the core shows what it computed: a listing view
// (cleared and refilled line by line) and a chart series (cleared and fed points).
// The window implements them over its memos and charts; tests and the command-line
// tool collect into plain containers.

#include <string>
#include <string_view>
#include <vector>

namespace tarvel {

class TextSink {
public:
    virtual ~TextSink() = default;
    virtual void clear() = 0;
    virtual void addLine(std::string_view line) = 0;
};

// Keeps the lines in memory; the default sink of the command-line tool and the tests.
class LinesSink final : public TextSink {
public:
    void clear() override { lines.clear(); }
    void addLine(std::string_view line) override { lines.emplace_back(line); }
    std::vector<std::string> lines;
};

// Drops everything: for callers that do not show a listing.
class NullTextSink final : public TextSink {
public:
    void clear() override { }
    void addLine(std::string_view) override { }
};

struct PlotPoint {
    double x;
    double y;
};

class PlotSink {
public:
    virtual ~PlotSink() = default;
    virtual void clear() = 0;
    virtual void addPoint(double x, double y) = 0;
    // False for a sink that keeps nothing: the signal's loops then skip a call per sample.
    bool keepsPoints() const { return keepsPoints_; }

protected:
    explicit PlotSink(bool keepsPoints = true) : keepsPoints_(keepsPoints) { }
    PlotSink(const PlotSink&) = default;
    PlotSink& operator=(const PlotSink&) = default;

private:
    bool keepsPoints_;
};

class PointsSink final : public PlotSink {
public:
    void clear() override { points.clear(); }
    void addPoint(double x, double y) override { points.push_back({x, y}); }
    std::vector<PlotPoint> points;
};

class NullPlotSink final : public PlotSink {
public:
    NullPlotSink() : PlotSink(false) { }
    void clear() override { }
    void addPoint(double, double) override { }
};

} // namespace tarvel
