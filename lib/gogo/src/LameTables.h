// LAME 3.100 keeps some tables in process globals (the quantizer's power tables, its fast
// logarithm table) that every lame_init and lame_init_params writes afresh and every encoding
// call reads. Setting up one encoder while another one encodes would therefore race, even if
// the values written are the same. Set-ups hold this lock alone; encoding calls share it.
#pragma once

#include <condition_variable>
#include <mutex>

namespace gogo {

class LameTables {
public:
  static LameTables& instance();

  // Exclusive: for lame_init and lame_init_params. Waiting set-ups go before new encoding
  // calls, so a stream of frames from other encodes cannot hold a set-up back for long.
  void lock();
  void unlock();
  // Shared: for lame_encode_*, lame_encode_flush and lame_get_lametag_frame.
  void lock_shared();
  void unlock_shared();

private:
  std::mutex mutex_;
  std::condition_variable changed_;
  int readers_ = 0;
  int writersWaiting_ = 0;
  bool writing_ = false;
};

} // namespace gogo
