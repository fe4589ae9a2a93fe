#include "bench/saver/put_counter.h"

#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/record.h>
#include <X11/extensions/shmproto.h>

#include <chrono>

namespace veltane::bench {

// The control connection asks; the data connection blocks in the recording on a thread of its own.
struct PutCounter::State {
  Display* control = nullptr;
  Display* data = nullptr;
  XRecordContext context = 0;
};

PutCounter::PutCounter(std::string displayName)
    : m_displayName(std::move(displayName)), m_state(std::make_unique<State>()) {}

PutCounter::~PutCounter() {
  Stop();
  if (m_state->control != nullptr) XCloseDisplay(m_state->control);
  if (m_state->data != nullptr) XCloseDisplay(m_state->data);
}

bool PutCounter::Start() {
  Stop();
  State& s = *m_state;
  if (s.control == nullptr) s.control = XOpenDisplay(m_displayName.c_str());
  if (s.data == nullptr) s.data = XOpenDisplay(m_displayName.c_str());
  int major = 0;
  int minor = 0;
  if (s.control == nullptr || s.data == nullptr || !XRecordQueryVersion(s.control, &major, &minor))
    return false;
  int shmOpcode = 0;
  int eventBase = 0;
  int errorBase = 0;
  XRecordRange* core = XRecordAllocRange();
  core->core_requests.first = core->core_requests.last = X_PutImage;
  XRecordRange* shm = XRecordAllocRange();
  if (XQueryExtension(s.control, "MIT-SHM", &shmOpcode, &eventBase, &errorBase)) {
    shm->ext_requests.ext_major.first = shm->ext_requests.ext_major.last =
        static_cast<unsigned char>(shmOpcode);
    shm->ext_requests.ext_minor.first = shm->ext_requests.ext_minor.last = X_ShmPutImage;
  }
  XRecordRange* ranges[] = {core, shm};
  XRecordClientSpec clients = XRecordAllClients;
  s.context = XRecordCreateContext(s.control, 0, &clients, 1, ranges, shmOpcode != 0 ? 2 : 1);
  XFree(core);
  XFree(shm);
  XSync(s.control, False);
  if (s.context == 0) return false;
  m_count = 0;
  m_started = false;
  m_recorder = std::thread([this] {
    XRecordEnableContext(
        m_state->data, m_state->context,
        [](XPointer closure, XRecordInterceptData* recorded) {
          auto* counter = reinterpret_cast<PutCounter*>(closure);
          if (recorded->category == XRecordStartOfData) counter->m_started = true;
          if (recorded->category == XRecordFromClient) ++counter->m_count;
          XRecordFreeData(recorded);
        },
        reinterpret_cast<XPointer>(this));
    m_started = true;
  });
  // What is put from now on is counted.
  while (!m_started) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return true;
}

long PutCounter::Stop() {
  State& s = *m_state;
  if (!m_recorder.joinable()) return m_count;
  XRecordDisableContext(s.control, s.context);
  XSync(s.control, False);
  m_recorder.join();
  XRecordFreeContext(s.control, s.context);
  XSync(s.control, False);
  s.context = 0;
  return m_count;
}

}  // namespace veltane::bench
