// One recording and everything it needs: the capture state (the session's own, or the
// program-wide one the dialog passes), the packet consumers fed from every received run (the
// test stream checker first), and the consumers and outputs the session owns because they
// must live as long as the stream can reach them.
//
// Threads. The capture sink's input pin is given its session when it is made and calls
// Receive on the streaming thread; everything else runs on the front end's thread. Receive
// takes no lock and allocates nothing: it writes the run through the capture state (see
// CaptureState.h for the file's hand-over), decides once whether the run went into the
// file, tells every consumer so (OnRunStart), and aligns the run for them. A consumer that
// writes therefore never has to work out for itself what the file got.
//
// Teardown. Close, which the destructor also runs, goes in this order:
//   1. the recording ends and the capture file is closed (its last sample written whole);
//   2. the stream is shut out: a run that arrives from then on is dropped unread, and Close
//      waits until a run in progress has left the session;
//   3. the owned consumers and outputs are destroyed, the last made first.
// So nothing the session owns is closed while a run can still reach it, whatever the graph
// is doing. The session object itself must outlive every sink bound to it: a front end tears
// its graph down before its session goes (see CSessionGraph in qltscap's capture command).
#pragma once

#include "capture/CaptureState.h"
#include "capture/PacketConsumers.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

class CCaptureSession {
public:
    // A session with a capture state of its own.
    CCaptureSession();
    // A session that records through state, which the caller keeps alive longer.
    explicit CCaptureSession(CCaptureState& state);
    CCaptureSession(const CCaptureSession&) = delete;
    CCaptureSession& operator=(const CCaptureSession&) = delete;
    ~CCaptureSession();

    CCaptureState& State() { return *m_pState; }
    const CCaptureState& State() const { return *m_pState; }

    // Takes pFile (opened "wb") in every case and starts recording into it; false, with the
    // file closed again, when a recording of the state is still on.
    bool StartCapture(FILE* pFile, uint32_t nLimitMB);

    // Feeds a consumer that the caller keeps alive until Close has returned (or, for the
    // program-wide session, until the graph that streams into it is torn down); false when
    // it is null or fed already. Takes effect at the next run.
    bool AddConsumer(IPacketConsumer* pConsumer) { return m_Consumers.Add(pConsumer); }
    void RemoveConsumer(IPacketConsumer* pConsumer) { m_Consumers.Remove(pConsumer); }

    // Makes an object the session owns until Close: an output, or what consumers report to.
    template <class T, class... Args>
    T& Make(Args&&... args)
    {
        auto pOwned = std::make_shared<Owned<T>>(std::forward<Args>(args)...);
        m_Owned.push_back(pOwned);
        return pOwned->Object;
    }
    // Makes a consumer the session owns and feeds from the next run on.
    template <class T, class... Args>
    T& MakeConsumer(Args&&... args)
    {
        T& consumer = Make<T>(std::forward<Args>(args)...);
        m_Consumers.Add(&consumer);
        return consumer;
    }

    // Streaming thread: one received run (nLength > 0). pCarry (TS_CARRY_SIZE bytes) and
    // nCarry are the receiving pin's aligner carry. Returns what the capture file got.
    SampleWrite Receive(const uint8_t* pData, int32_t nLength, uint8_t* pCarry, int32_t& nCarry);

    // The teardown above. A closed session takes no more runs; a second call only destroys
    // what was made since.
    void Close();

private:
    static constexpr uint32_t STREAM_SHUT = 0x80000000u;

    // Destroys a consumer as what it is, although its interface has no virtual destructor.
    template <class T>
    struct Owned final {
        template <class... Args>
        explicit Owned(Args&&... args) : Object(std::forward<Args>(args)...)
        {
        }
        T Object;
    };

    std::unique_ptr<CCaptureState> m_pOwnState;
    CCaptureState* m_pState;
    CPacketConsumers m_Consumers;
    // STREAM_SHUT once Close shut the stream out, plus the runs inside Receive.
    std::atomic<uint32_t> m_nStream{0};
    std::vector<std::shared_ptr<void>> m_Owned;  // in the order made
};

// The dialog's session: g_CaptureState and the test stream checker. It is made on first use
// and never torn down, since the program-wide tuner graph may still stream into it while
// static objects are destroyed at exit; g_CaptureState closes a file still open then.
CCaptureSession& ProgramCaptureSession();
