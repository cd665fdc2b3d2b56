// What an operation writes to the process's standard error, captured at the level of the file
// descriptor so that a library's own fprintf is seen too.
#pragma once

#include <QByteArray>
#include <QTemporaryFile>
#include <cstdio>
#include <unistd.h>

namespace pix::imaging::test {

template <typename Operation> QByteArray stderrOf(Operation&& operation) {
    QTemporaryFile capture;
    if (!capture.open())
        return "cannot capture";
    std::fflush(stderr);
    const int saved = dup(2);
    dup2(capture.handle(), 2);
    operation();
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    capture.seek(0);
    return capture.readAll();
}

} // namespace pix::imaging::test
