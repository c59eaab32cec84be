// The leak check's default suppressions, compiled into every program of the sanitizer builds.
//
// oneTBB allocates a proxy for each task_scheduler_observer (ProcessorShare's count of the
// workers in its arena). A worker that has run the observer keeps a reference to the proxy in its
// own thread data, which lives in oneTBB's allocator, outside the memory the leak check scans,
// and the worker frees the proxy when it next leaves an arena. A process that ends while a
// worker still holds it (the program ends right after its run's arena) shows it as a leak of
// 40 bytes: about one run in three of a small matrix on two processors.
extern "C" const char* __lsan_default_suppressions() { return "leak:tbb::detail::r1::observe\n"; }
