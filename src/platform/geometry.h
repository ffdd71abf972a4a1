#pragma once
// Geometry in the capture's own coordinates: points, origin bottom-left, y up.
// A rectangle holds its left and bottom edges and excludes its right and top edges.

#include <algorithm>

struct Point {
    double x = 0;
    double y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    double width = 0;
    double height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    double left() const { return x; }
    double bottom() const { return y; }
    double right() const { return x + width; }
    double top() const { return y + height; }
    Point origin() const { return {x, y}; }
    Size size() const { return {width, height}; }
    bool isEmpty() const { return width <= 0 || height <= 0; }

    bool contains(Point p) const {
        return p.x >= left() && p.x < right() && p.y >= bottom() && p.y < top();
    }

    Rect intersected(const Rect& o) const {
        const double l = std::max(left(), o.left());
        const double b = std::max(bottom(), o.bottom());
        const double r = std::min(right(), o.right());
        const double t = std::min(top(), o.top());
        if (r <= l || t <= b) return {};
        return {l, b, r - l, t - b};
    }

    friend bool operator==(const Rect&, const Rect&) = default;
};
