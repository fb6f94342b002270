#pragma once
// A procedure written as straight code that hands out one RunStep at a time
// and takes the answer back: a coroutine that suspends at every
// `co_yield step` (whose value is the StepAnswer) and may `co_await` a
// sub-procedure of its own, whose steps pass out through the outermost one.
// The owner resumes it with Advance; nothing here waits or runs on its own.
// Control passes between a procedure and its sub-procedures through Advance's
// loop, never by one frame resuming another: a finished sub-procedure is
// off the stack before its caller destroys it.
// Write `co_yield` as a statement or as the initialiser of a variable only:
// g++ 12 miscompiles it inside a condition or a function argument.
//
// Threading: one thread at a time; the caller of Advance.
// Ownership: a StepProcedure owns its coroutine frame; a sub-procedure's
// frame lives until the co_await of it is over.
#include <coroutine>
#include <exception>
#include <utility>

#include "core/run_steps.h"

namespace tonmark {

class StepProcedure {
  public:
    struct promise_type;
    using Handle = std::coroutine_handle<promise_type>;

    // Shared by a procedure and all the sub-procedures it awaits.
    struct Root {
        RunStep step;             // the step handed out last
        const StepAnswer* answer; // the answer being handed in
        Handle leaf;              // the innermost procedure, to resume
        bool handedOver = false;  // leaf changed without a step: resume it at once
    };

    struct promise_type {
        Root* root = nullptr;
        Handle caller; // the procedure that awaits this one; null for the outermost
        std::exception_ptr error;

        StepProcedure get_return_object() { return StepProcedure(Handle::from_promise(*this)); }
        std::suspend_always initial_suspend() noexcept { return {}; }
        struct FinalAwaiter {
            bool await_ready() noexcept { return false; }
            void await_suspend(Handle h) noexcept {
                promise_type& p = h.promise();
                if (p.caller) {
                    p.root->leaf = p.caller;
                    p.root->handedOver = true;
                }
            }
            void await_resume() noexcept {}
        };
        FinalAwaiter final_suspend() noexcept { return {}; }

        struct StepAwaiter {
            Root* root;
            bool await_ready() noexcept { return false; }
            void await_suspend(Handle) noexcept {}
            // A copy: the driver's answer is gone after the resume. An error
            // in carrying out the step comes out here.
            StepAnswer await_resume() {
                if (root->answer->error)
                    std::rethrow_exception(root->answer->error);
                return *root->answer;
            }
        };
        StepAwaiter yield_value(RunStep step) {
            root->step = std::move(step);
            return {root};
        }
        void return_void() {}
        void unhandled_exception() { error = std::current_exception(); }
    };

    // `co_await Sub()`: runs the sub-procedure to its end; what it throws
    // comes out of the co_await.
    struct SubAwaiter {
        Handle sub;
        bool await_ready() noexcept { return false; }
        void await_suspend(Handle caller) noexcept {
            Root& root = *caller.promise().root;
            sub.promise().root = &root;
            sub.promise().caller = caller;
            root.leaf = sub;
            root.handedOver = true;
        }
        void await_resume() {
            if (sub.promise().error)
                std::rethrow_exception(sub.promise().error);
        }
    };
    SubAwaiter operator co_await() && { return {handle_}; }

    StepProcedure(StepProcedure&& o) noexcept : handle_(std::exchange(o.handle_, {})) {}
    StepProcedure& operator=(StepProcedure&&) = delete;
    ~StepProcedure() {
        if (handle_)
            handle_.destroy();
    }

    // Makes this the outermost procedure; it has not started yet.
    void BecomeRoot(Root& root) {
        handle_.promise().root = &root;
        root.leaf = handle_;
    }
    // Goes on to the next step with the answer to the last one (ignored on
    // the first call). Returns false once the procedure has ended; what it
    // threw then comes out of this call, once.
    bool Advance(const StepAnswer& answer) {
        if (!handle_ || handle_.done())
            return false;
        Root& root = *handle_.promise().root;
        root.answer = &answer;
        do {
            root.handedOver = false;
            root.leaf.resume();
        } while (root.handedOver);
        if (!handle_.done())
            return true;
        if (std::exception_ptr e = std::exchange(handle_.promise().error, nullptr))
            std::rethrow_exception(e);
        return false;
    }

  private:
    explicit StepProcedure(Handle h) : handle_(h) {}
    Handle handle_;
};

} // namespace tonmark
