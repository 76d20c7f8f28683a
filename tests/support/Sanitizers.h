#pragma once
// TROVEL_TEST_UNDER_SANITIZER: set when AddressSanitizer or ThreadSanitizer instruments the test,
// whichever compiler builds it. Their shadow memory takes address space of its own, so tests that
// cap the address space to fake exhaustion skip under them.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define TROVEL_TEST_UNDER_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define TROVEL_TEST_UNDER_SANITIZER 1
#endif
#endif
