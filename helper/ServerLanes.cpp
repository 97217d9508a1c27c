#include <unistd.h>

#include <functional>

#include "helper/ServerState.h"

namespace tarvex::server {

namespace {

void wake(State& state) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = write(state.wakePipe[1], &byte, 1);  // full: awake anyway
}

void handBack(State& state, Completion done) {
    std::lock_guard lock(state.mutex);
    state.completions.push_back(std::move(done));
    --state.activeRuns;
    wake(state);
}

Completion job(Completion::Lane lane, Id id = 0, const Caller& caller = {},
               const std::string& command = {}) {
    Completion made;
    made.lane = lane;
    made.id = id;
    made.caller = caller;
    made.command = command;
    return made;
}

// Runs `work` on a worker of `lane`; what it fills in comes back to the loop.
void submit(const std::shared_ptr<State>& shared, WorkerPool& lane, Completion task,
            std::function<void(Completion&)> work) {
    {
        std::lock_guard lock(shared->mutex);
        ++shared->activeRuns;
        if (task.lane != Completion::Lane::check) {
            ++shared->runsStarted;
        }
    }
    Completion failed = job(task.lane, task.id);
    const bool submitted =
        lane.submit([shared, task = std::move(task), work = std::move(work)]() mutable {
            work(task);
            handBack(*shared, std::move(task));
        });
    if (!submitted) {
        // No thread at all: answer as a failed launch would, rather than leave callers hanging.
        failed.frame = makeFrame(false, "Cannot start a worker thread");
        handBack(*shared, std::move(failed));
    }
}

void submitStatus(const std::shared_ptr<State>& shared) {
    submit(shared, shared->statusLane, job(Completion::Lane::status), [shared](Completion& done) {
        // Status is open to every caller, so the run needs nobody's identity.
        HelperReply reply = shared->helper.run(Caller{}, "status");
        done.frame = makeFrame(reply.success, std::move(reply.output));
    });
}

void submitRun(const std::shared_ptr<State>& shared, Id id, const Caller& caller,
               const std::string& command) {
    submit(shared, shared->runLane, job(Completion::Lane::run, id, caller, command),
           [shared](Completion& done) {
               HelperReply reply = shared->helper.run(done.caller, done.command);
               done.frame = makeFrame(reply.success, std::move(reply.output));
           });
}

void submitCheck(const std::shared_ptr<State>& shared, Id id, const Caller& caller,
                 const std::string& command) {
    ++shared->checksWaiting;
    submit(shared, shared->checkLane, job(Completion::Lane::check, id, caller, command),
           [shared](Completion& done) {
               if (auto refusal = shared->helper.check(done.caller, done.command)) {
                   done.frame = makeFrame(false, std::move(refusal->output));
               }
           });
}

}  // namespace

void dispatch(const std::shared_ptr<State>& shared, Id id) {
    State& state = *shared;
    Connection& connection = state.connections.at(id);
    leavePhase(state, connection);
    connection.phase = Connection::Phase::waiting;
    countAwaiting(state, +1);
    state.poller.change(connection.fd, id, false, false);
    const HelperRequest request = connection.receiver.take();

    Helper::Admission admission = state.helper.admit(connection.caller, request);
    if (admission.refusal) {
        // Refused without asking anyone or running anything: answered at once.
        startReply(state, id, makeFrame(false, std::move(admission.refusal->output)));
        return;
    }
    if (request.command == "status") {
        if (state.statusRuns.request(id)) {
            submitStatus(shared);
        }
        return;
    }
    if (state.limited(connection.caller)) {
        AccountUse& use = useOf(state, connection);
        if (use.pending >= state.limits.maxRunsPerUid) {
            closeConnection(state, id);  // over its account's share: closed at once
            return;
        }
        ++use.pending;
        connection.countsPending = true;
    }
    if (!admission.needsCheck) {
        submitRun(shared, id, connection.caller, request.command);
    } else if (state.checksWaiting >= state.limits.maxChecks) {
        HelperReply busy = state.helper.checksBusy(connection.caller, request.command);
        startReply(state, id, makeFrame(false, std::move(busy.output)));
    } else {
        submitCheck(shared, id, connection.caller, request.command);
    }
}

void takeCompletions(const std::shared_ptr<State>& shared) {
    State& state = *shared;
    char drain[256];
    while (read(state.wakePipe[0], drain, sizeof drain) > 0) {
    }
    std::vector<Completion> done;
    {
        std::lock_guard lock(state.mutex);
        done.swap(state.completions);
    }
    for (Completion& completion : done) {
        switch (completion.lane) {
            case Completion::Lane::status: {
                std::vector<Id> answered;
                const bool again = state.statusRuns.finish(answered);
                for (Id id : answered) {
                    startReply(state, id, completion.frame);
                }
                if (again) {
                    submitStatus(shared);
                }
                break;
            }
            case Completion::Lane::check:
                --state.checksWaiting;
                if (completion.frame) {
                    startReply(state, completion.id, completion.frame);
                } else if (state.connections.count(completion.id) != 0) {
                    submitRun(shared, completion.id, completion.caller, completion.command);
                }
                break;
            case Completion::Lane::run:
                startReply(state, completion.id, completion.frame);
                break;
        }
    }
}

}  // namespace tarvex::server
