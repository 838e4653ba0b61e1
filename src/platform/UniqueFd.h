#pragma once

// Owns a file descriptor and closes it at scope end unless released.
class CUniqueFd {
public:
    explicit CUniqueFd(int fd = -1) : m_fd(fd) {}
    ~CUniqueFd();
    CUniqueFd(const CUniqueFd&) = delete;
    CUniqueFd& operator=(const CUniqueFd&) = delete;

    int Get() const { return m_fd; }
    // Gives the descriptor up without closing it.
    int Release();
    // Closes now; returns 0 or the errno of a failed close (delayed write
    // errors show there).
    int Close();

private:
    int m_fd;
};
