// Start-up and reset of the double's state. The state is set up on the first call into the
// module (entry point or control function): defaults, then the log file WV2_DOUBLE_LOG names,
// then the configuration file WV2_DOUBLE_CONFIG names. wv2d_reset repeats exactly that.

#ifndef WV2D_LIFECYCLE_HH
#define WV2D_LIFECYCLE_HH

namespace wv2d {

// Sets the state up once per module load; every export calls it first.
void ensure_initialized();

// Drops queued callbacks (releasing the handlers they hold), faults, rules, the log and the
// version text, then reads the environment again. Live COM objects are left alone.
void reset_state();

} // namespace wv2d

#endif // WV2D_LIFECYCLE_HH
