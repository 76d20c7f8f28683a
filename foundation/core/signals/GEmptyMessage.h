#pragma once
// The message of the foundation's own signals (idle time, repeater time, low memory,
// preferences changed): it carries nothing.
struct GEmptyMessage {};
