#pragma once
// Facts about the processes of the machine, for the running process.
class PMacXProcessInfo {
public:
    PMacXProcessInfo() = default;

    int GetCurrentProcessID() const;
};
