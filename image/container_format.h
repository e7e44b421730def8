// On-disk layout of the application image's container: the fixed header, the library table and
// the segment header. Constants only; the reader and writer live in container.cpp.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tockly::image::container_format {

// Every offset field may hold this to mean "none".
inline constexpr std::uint32_t none = 0xFFFFFFFFu;

// Image header: the fixed part, followed directly by the library table.
inline constexpr std::uint8_t magic[2] = {'V', 'Q'};
inline constexpr std::size_t magic_offset = 0x00;
inline constexpr std::size_t reserved_offset = 0x02;
inline constexpr std::size_t reserved_size = 34;
inline constexpr std::size_t first_segment_offset = 0x24;
inline constexpr std::size_t word_28_offset = 0x28;
inline constexpr std::size_t word_2c_offset = 0x2C;
inline constexpr std::size_t reserved_30_offset = 0x30;
inline constexpr std::size_t id_counter_offset = 0x34;
inline constexpr std::size_t reserved_38_offset = 0x38;
inline constexpr std::size_t entry_offset = 0x3C;
inline constexpr std::size_t segment_table_offset = 0x40;  // five u32: const, form, help, code, var
inline constexpr std::size_t segment_table_count = 5;
inline constexpr std::size_t library_end_offset = 0x54;  // equals the first segment's offset
inline constexpr std::size_t fixed_header_size = 0x58;
inline constexpr std::size_t library_table_offset = fixed_header_size;

// The values an image writer puts into the host's header words.
inline constexpr std::uint32_t usual_word_28 = 1;
inline constexpr std::uint32_t usual_word_2c = 3;

// Library table: NUL-terminated rows of five fields separated by CR, ended by an empty row.
inline constexpr char library_field_separator = '\r';
inline constexpr std::size_t library_field_count = 5;
inline constexpr std::size_t library_identifier_digits = 32;

// Segment header: 0x38 bytes, then n u32 relocation entries.
inline constexpr std::size_t seg_header_size = 0x00;
inline constexpr std::size_t seg_next = 0x04;
inline constexpr std::size_t seg_flags = 0x08;
inline constexpr std::size_t seg_name = 0x0C;
inline constexpr std::size_t seg_name_size = 24;
inline constexpr std::size_t seg_memory_size = 0x24;
inline constexpr std::size_t seg_stored_size = 0x28;
inline constexpr std::size_t seg_data_offset = 0x2C;
inline constexpr std::size_t seg_relocation_count = 0x30;
inline constexpr std::size_t seg_reserved = 0x34;
inline constexpr std::size_t seg_fixed_size = 0x38;
inline constexpr std::size_t relocation_entry_size = 4;

// Segment flags.
inline constexpr std::uint32_t flag_present = 0x01;    // set on every segment
inline constexpr std::uint32_t flag_writable = 0x02;   // written at run time
inline constexpr std::uint32_t flag_code = 0x04;       // holds machine code
inline constexpr std::uint32_t flag_zero_fill = 0x10;  // nothing stored; provided zero-filled

// Segment names.
inline constexpr const char* const_name = "const";
inline constexpr const char* form_name = "form";
inline constexpr const char* help_name = "help";
inline constexpr const char* code_name = "code";
inline constexpr const char* var_name = "var";
inline constexpr const char* reloc1_name = "@reloc1";
// The segments the header's offset table points at, in its order.
inline constexpr const char* table_segment_names[segment_table_count] = {const_name, form_name, help_name,
                                                                         code_name, var_name};

}  // namespace tockly::image::container_format
