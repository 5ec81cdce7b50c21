// Keys and the check marks they set, played at two templates: the same
// scripts on every backend, which must move the focus and click the same.
#pragma once

namespace qztest {

// At the graph editor's template with no kind checked.  Its radio group is
// the only group of the dialog: it runs from the first kind on to the grid.
inline constexpr const char* kRadioKeysSession = R"(
expect-focus 4315
expect-unchecked 4315
key down
expect-focus 4316
expect-checked 4316
expect-unchecked 4315
key tab
expect-focus 1
# The checked kind is the group's one tab stop.
key shift+tab
expect-focus 4316
key right
expect-checked 4317
key left left
expect-focus 4315
expect-checked 4315
expect-unchecked 4316
key up
expect-focus 4000
key down end
expect-focus 4000
key tab
expect-focus 4315
key shift+tab shift+tab
expect-focus 4320
key space shift+tab
expect-focus 2
key shift+tab shift+tab space
expect-focus 4315
key escape
)";

// The custom zone dialog's first value label, given a mnemonic.
inline constexpr const char16_t* kLabelWithMnemonic = u"&Xzd =";

// At the custom zone dialog's template, its first value label given
// kLabelWithMnemonic.
inline constexpr const char* kMnemonicKeysSession = R"(
expect-focus 4150
key alt+g
expect-focus 4159
# Where the focus takes no typing, the letter alone is the mnemonic.
key g
key alt+x
expect-focus 4156
type 4156 12.5
key home shift+end down
expect-focus 4156
expect-text 4156 12.5
key escape
)";

}  // namespace qztest
