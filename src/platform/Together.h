#pragma once

#include <cstddef>
#include <functional>

// Runs work(0) .. work(count - 1) on the calling thread and up to threads - 1
// helpers at once, each taking the next index; returns when all are done.
// Meant for file system calls that wait on the disk one at a time (fsync,
// unlink and rename on a file system that discards freed blocks): made
// together, the block layer merges what they wait for. work must be safe to
// run on several threads.
void ForEachTogether(std::size_t count, std::size_t threads, const std::function<void(std::size_t)>& work);

// The same in two passes on the same threads: second(i) starts only once
// first has run for every index.
void ForEachTogether(std::size_t count, std::size_t threads, const std::function<void(std::size_t)>& first,
    const std::function<void(std::size_t)>& second);
