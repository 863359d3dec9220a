#ifndef LEXIGARDE_SYNC_INCOPIABLE_H
#define LEXIGARDE_SYNC_INCOPIABLE_H

// Derive from it (privately) to forbid copying the derived class.
class Incopiable {
public:
    Incopiable(const Incopiable&) = delete;
    Incopiable& operator=(const Incopiable&) = delete;

protected:
    Incopiable() = default;
    ~Incopiable() = default;
};

#endif
