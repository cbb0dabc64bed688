#pragma once
// POSIXLY_CORRECT set for a scope, as a user's shell may have it: getopt then stops at the
// first word that is no option unless the parser asks otherwise.

#include <cstdlib>

class PosixlyCorrect {
public:
    explicit PosixlyCorrect(bool set) : m_set(set) {
        if (m_set) {
            setenv("POSIXLY_CORRECT", "1", 1);
        }
    }
    ~PosixlyCorrect() {
        if (m_set) {
            unsetenv("POSIXLY_CORRECT");
        }
    }
    PosixlyCorrect(const PosixlyCorrect&) = delete;
    PosixlyCorrect& operator=(const PosixlyCorrect&) = delete;

private:
    bool m_set;
};
