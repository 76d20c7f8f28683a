#pragma once
// Four lengths in points around a page: a bleed or a slug. Inside is the binding side, the left
// edge of a single page.
struct HostEdges {
    double top = 0;
    double bottom = 0;
    double inside = 0;
    double outside = 0;

    bool operator==(const HostEdges& other) const {
        return top == other.top && bottom == other.bottom && inside == other.inside && outside == other.outside;
    }
};
