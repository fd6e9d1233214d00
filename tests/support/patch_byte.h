// Damage for fixtures built in code, checked so that a change of the fixture
// cannot silently move the fault.
#ifndef TESTS_SUPPORT_PATCH_BYTE_H_
#define TESTS_SUPPORT_PATCH_BYTE_H_

#include <cstddef>
#include <cstdint>
#include <vector>

namespace testing_support {

// Sets byte `offset` to `value` after checking that it holds `expected`; a
// failed check fails the test that made the patch.
void PatchByte(std::vector<uint8_t>& bytes, size_t offset, uint8_t expected, uint8_t value);

}  // namespace testing_support

#endif  // TESTS_SUPPORT_PATCH_BYTE_H_
