#include "app/Preload.h"

#include <atomic>
#include <exception>
#include <system_error>
#include <thread>

namespace pelto {

namespace {

struct Preload {
    std::string path;
    std::unique_ptr<TBvStrings> lines;
    std::exception_ptr failure;
    std::thread reader;
    std::atomic<bool> finished{false};

    void Join()
    {
        if (reader.joinable())
            reader.join();
    }
    // A program that ends before taking it still waits for the read.
    ~Preload() { Join(); }
};

Preload preload;

}  // namespace

void StartPreload(const std::string& path)
{
    if (preload.reader.joinable() || preload.lines)
        return;
    preload.path = path;
    preload.lines = std::make_unique<TBvStrings>();
    try {
        preload.reader = std::thread([] {
            try {
                preload.lines->LoadFromFile(preload.path);
            } catch (...) {
                preload.failure = std::current_exception();
            }
            preload.finished.store(true, std::memory_order_release);
        });
    } catch (const std::system_error&) {
        preload.lines.reset();  // no thread: the window reads it as usual
    }
}

bool PreloadRunning(const std::string& path)
{
    return preload.reader.joinable() && path == preload.path && !preload.finished.load(std::memory_order_acquire);
}

std::unique_ptr<TBvStrings> TakePreload(const std::string& path)
{
    preload.Join();
    std::unique_ptr<TBvStrings> lines = std::move(preload.lines);
    std::exception_ptr failure = preload.failure;
    preload.failure = nullptr;
    if (!lines || path != preload.path)
        return nullptr;
    if (failure)
        std::rethrow_exception(failure);
    return lines;
}

}  // namespace pelto
