#pragma once
// One interface of a boss class: objects of `bossClass` carry interface `iid`, made by the
// factory of `implementation`.
#include "hostsdk/base/HostTypes.h"

struct BossClassEntry {
    ClassID bossClass = 0;
    PMIID iid = 0;
    ImplementationID implementation = 0;
};
