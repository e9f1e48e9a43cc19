#pragma once

#include <QByteArray>
#include <optional>

// The running test again, in a child process of this test program: for the half of a test that
// must run where the test itself cannot be hurt, such as under a file-size limit.

struct ChildResult {
    bool started = false;
    bool exited = false; // ended by exit() with exitCode, not by a signal
    int exitCode = -1;
    int signal = 0;
    QByteArray output; // what it wrote to stdout and stderr

    bool Passed() const { return exited && exitCode == 0; }
};

// True inside the child that RunTestInChild started for the current test.
bool InTestChild();

// Runs the current test alone in a new process of this program and waits for it (at most
// timeoutMs, then kills it). With fileSizeLimit, no file the child writes can grow beyond that
// many bytes and SIGXFSZ is ignored, so a write past it fails with EFBIG as on a full disk, for
// any user.
ChildResult RunTestInChild(std::optional<long> fileSizeLimit, int timeoutMs = 60000);

// Inside a child whose set-up must write freely: from now on no file this process writes can
// grow beyond bytes, and such a write fails with EFBIG. There is no way back, which is why it
// belongs in a child.
bool LimitFileSizeFromNow(long bytes);
