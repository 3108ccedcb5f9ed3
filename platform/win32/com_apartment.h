// COM apartments of the program's threads. The main thread joins the
// multithreaded apartment as the process starts. A thread that hosts the
// shell's file dialogs must be a single-threaded apartment: the main window's
// own thread, and the main thread when the main window runs alone on it.
#pragma once

namespace quellora::win32 {

// The main thread at the start of the process: the multithreaded apartment.
// A failure is ignored; COM's users initialise it for themselves.
void JoinMainThreadToMultithreadedApartment();

// The main thread before it hosts the main window alone: it leaves the
// multithreaded apartment it joined at the start and becomes a
// single-threaded apartment. False when COM refuses.
bool MoveMainThreadToSingleThreadedApartment();

// A thread of its own that hosts windows (the main window's): a
// single-threaded apartment for as long as this object lives.
class SingleThreadedApartment {
public:
    SingleThreadedApartment();
    ~SingleThreadedApartment();
    SingleThreadedApartment(const SingleThreadedApartment&) = delete;
    SingleThreadedApartment& operator=(const SingleThreadedApartment&) = delete;
    // The thread is a single-threaded apartment now.
    bool joined() const { return joined_; }

private:
    bool joined_ = false;
};

}  // namespace quellora::win32
