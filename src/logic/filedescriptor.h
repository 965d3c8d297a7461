#pragma once

#include <unistd.h>

// An open file descriptor, closed with its owner; -1 holds none.
class CFd
{
public:
    explicit CFd(int fd) : m_fd(fd) {}
    ~CFd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;
    int Get() const { return m_fd; }

private:
    int m_fd;
};
