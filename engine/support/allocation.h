// The allocation routines: one per element type and number of dimensions, each (re)allocating
// an engine array and reporting a failure with the array's name (status 200 or 201, location
// "<routine> in MOD dynamic_allocation"). Generated in full so that every name exists as listed.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "engine_array.h"
#include "error_trail.h"

namespace quill::engine {

using opt_bound = std::optional<int>;

int int1_alloc(int_array<1>& a, int d1, error_trail& trail, opt_bound l1 = {}, const char* object_name = nullptr);
int int1_alloc(int_array<1>& a, std::span<const int32_t> extents, error_trail& trail);
int int1_dealloc(int_array<1>& a, error_trail& trail, const char* object_name = nullptr);
int int2_alloc(int_array<2>& a, int d1, int d2, error_trail& trail, opt_bound l1 = {}, opt_bound l2 = {}, const char* object_name = nullptr);
int int2_alloc(int_array<2>& a, std::span<const int32_t> extents, error_trail& trail);
int int2_dealloc(int_array<2>& a, error_trail& trail, const char* object_name = nullptr);
int int3_alloc(int_array<3>& a, int d1, int d2, int d3, error_trail& trail, opt_bound l1 = {}, opt_bound l2 = {}, opt_bound l3 = {}, const char* object_name = nullptr);
int int3_alloc(int_array<3>& a, std::span<const int32_t> extents, error_trail& trail);
int int3_dealloc(int_array<3>& a, error_trail& trail, const char* object_name = nullptr);
int int4_alloc(int_array<4>& a, int d1, int d2, int d3, int d4, error_trail& trail, opt_bound l1 = {}, opt_bound l2 = {}, opt_bound l3 = {}, opt_bound l4 = {}, const char* object_name = nullptr);
int int4_alloc(int_array<4>& a, std::span<const int32_t> extents, error_trail& trail);
int int4_dealloc(int_array<4>& a, error_trail& trail, const char* object_name = nullptr);
int int5_alloc(int_array<5>& a, int d1, int d2, int d3, int d4, int d5, error_trail& trail, opt_bound l1 = {}, opt_bound l2 = {}, opt_bound l3 = {}, opt_bound l4 = {}, opt_bound l5 = {}, const char* object_name = nullptr);
int int5_alloc(int_array<5>& a, std::span<const int32_t> extents, error_trail& trail);
int int5_dealloc(int_array<5>& a, error_trail& trail, const char* object_name = nullptr);
int int6_alloc(int_array<6>& a, int d1, int d2, int d3, int d4, int d5, int d6, error_trail& trail, opt_bound l1 = {}, opt_bound l2 = {}, opt_bound l3 = {}, opt_bound l4 = {}, opt_bound l5 = {}, opt_bound l6 = {}, const char* object_name = nullptr);
int int6_alloc(int_array<6>& a, std::span<const int32_t> extents, error_trail& trail);
int int6_dealloc(int_array<6>& a, error_trail& trail, const char* object_name = nullptr);
int int7_alloc(int_array<7>& a, int d1, int d2, int d3, int d4, int d5, int d6, int d7, error_trail& trail, opt_bound l1 = {}, opt_bound l2 = {}, opt_bound l3 = {}, opt_bound l4 = {}, opt_bound l5 = {}, opt_bound l6 = {}, opt_bound l7 = {}, const char* object_name = nullptr);
int int7_alloc(int_array<7>& a, std::span<const int32_t> extents, error_trail& trail);
int int7_dealloc(int_array<7>& a, error_trail& trail, const char* object_name = nullptr);

int dbl1_alloc(dbl_array<1>& a, int d1, error_trail& trail, opt_bound l1 = {}, const char* object_name = nullptr);
int dbl1_alloc(dbl_array<1>& a, std::span<const int32_t> extents, error_trail& trail);
int dbl1_dealloc(dbl_array<1>& a, error_trail& trail, const char* object_name = nullptr);
int dbl2_alloc(dbl_array<2>& a, int d1, int d2, error_trail& trail, opt_bound l1 = {}, opt_bound l2 = {}, const char* object_name = nullptr);
int dbl2_alloc(dbl_array<2>& a, std::span<const int32_t> extents, error_trail& trail);
int dbl2_dealloc(dbl_array<2>& a, error_trail& trail, const char* object_name = nullptr);
int dbl3_alloc(dbl_array<3>& a, int d1, int d2, int d3, error_trail& trail, opt_bound l1 = {}, opt_bound l2 = {}, opt_bound l3 = {}, const char* object_name = nullptr);
int dbl3_alloc(dbl_array<3>& a, std::span<const int32_t> extents, error_trail& trail);
int dbl3dealloc(dbl_array<3>& a, error_trail& trail, const char* object_name = nullptr);
int dbl4_alloc(dbl_array<4>& a, int d1, int d2, int d3, int d4, error_trail& trail, opt_bound l1 = {}, opt_bound l2 = {}, opt_bound l3 = {}, opt_bound l4 = {}, const char* object_name = nullptr);
int dbl4_alloc(dbl_array<4>& a, std::span<const int32_t> extents, error_trail& trail);
int dbl4dealloc(dbl_array<4>& a, error_trail& trail, const char* object_name = nullptr);
int dbl5_alloc(dbl_array<5>& a, int d1, int d2, int d3, int d4, int d5, error_trail& trail, opt_bound l1 = {}, opt_bound l2 = {}, opt_bound l3 = {}, opt_bound l4 = {}, opt_bound l5 = {}, const char* object_name = nullptr);
int dbl5_alloc(dbl_array<5>& a, std::span<const int32_t> extents, error_trail& trail);
int dbl5dealloc(dbl_array<5>& a, error_trail& trail, const char* object_name = nullptr);
int dbl6_alloc(dbl_array<6>& a, int d1, int d2, int d3, int d4, int d5, int d6, error_trail& trail, opt_bound l1 = {}, opt_bound l2 = {}, opt_bound l3 = {}, opt_bound l4 = {}, opt_bound l5 = {}, opt_bound l6 = {}, const char* object_name = nullptr);
int dbl6_alloc(dbl_array<6>& a, std::span<const int32_t> extents, error_trail& trail);
int dbl6dealloc(dbl_array<6>& a, error_trail& trail, const char* object_name = nullptr);
int dbl7_alloc(dbl_array<7>& a, int d1, int d2, int d3, int d4, int d5, int d6, int d7, error_trail& trail, opt_bound l1 = {}, opt_bound l2 = {}, opt_bound l3 = {}, opt_bound l4 = {}, opt_bound l5 = {}, opt_bound l6 = {}, opt_bound l7 = {}, const char* object_name = nullptr);
int dbl7_alloc(dbl_array<7>& a, std::span<const int32_t> extents, error_trail& trail);
int dbl7dealloc(dbl_array<7>& a, error_trail& trail, const char* object_name = nullptr);

int str1_alloc(str_array<1>& a, int d1, error_trail& trail, opt_bound l1 = {}, const char* object_name = nullptr);
int str1_alloc(str_array<1>& a, std::span<const int32_t> extents, error_trail& trail);
int str1_dealloc(str_array<1>& a, error_trail& trail, const char* object_name = nullptr);
int str2_alloc(str_array<2>& a, int d1, int d2, error_trail& trail, opt_bound l1 = {}, opt_bound l2 = {}, const char* object_name = nullptr);
int str2_alloc(str_array<2>& a, std::span<const int32_t> extents, error_trail& trail);
int str2_dealloc(str_array<2>& a, error_trail& trail, const char* object_name = nullptr);
int str3_alloc(str_array<3>& a, int d1, int d2, int d3, error_trail& trail, opt_bound l1 = {}, opt_bound l2 = {}, opt_bound l3 = {}, const char* object_name = nullptr);
int str3_alloc(str_array<3>& a, std::span<const int32_t> extents, error_trail& trail);
int str3_dealloc(str_array<3>& a, error_trail& trail, const char* object_name = nullptr);
int str4_alloc(str_array<4>& a, int d1, int d2, int d3, int d4, error_trail& trail, opt_bound l1 = {}, opt_bound l2 = {}, opt_bound l3 = {}, opt_bound l4 = {}, const char* object_name = nullptr);
int str4_alloc(str_array<4>& a, std::span<const int32_t> extents, error_trail& trail);
int str4_dealloc(str_array<4>& a, error_trail& trail, const char* object_name = nullptr);
int str5_alloc(str_array<5>& a, int d1, int d2, int d3, int d4, int d5, error_trail& trail, opt_bound l1 = {}, opt_bound l2 = {}, opt_bound l3 = {}, opt_bound l4 = {}, opt_bound l5 = {}, const char* object_name = nullptr);
int str5_alloc(str_array<5>& a, std::span<const int32_t> extents, error_trail& trail);
int str5_dealloc(str_array<5>& a, error_trail& trail, const char* object_name = nullptr);
int str6_alloc(str_array<6>& a, int d1, int d2, int d3, int d4, int d5, int d6, error_trail& trail, opt_bound l1 = {}, opt_bound l2 = {}, opt_bound l3 = {}, opt_bound l4 = {}, opt_bound l5 = {}, opt_bound l6 = {}, const char* object_name = nullptr);
int str6_alloc(str_array<6>& a, std::span<const int32_t> extents, error_trail& trail);
int str6_dealloc(str_array<6>& a, error_trail& trail, const char* object_name = nullptr);
int str7_alloc(str_array<7>& a, int d1, int d2, int d3, int d4, int d5, int d6, int d7, error_trail& trail, opt_bound l1 = {}, opt_bound l2 = {}, opt_bound l3 = {}, opt_bound l4 = {}, opt_bound l5 = {}, opt_bound l6 = {}, opt_bound l7 = {}, const char* object_name = nullptr);
int str7_alloc(str_array<7>& a, std::span<const int32_t> extents, error_trail& trail);
int str7_dealloc(str_array<7>& a, error_trail& trail, const char* object_name = nullptr);

int log1_alloc(log_array<1>& a, int d1, error_trail& trail, opt_bound l1 = {}, const char* object_name = nullptr);
int log1_dealloc(log_array<1>& a, error_trail& trail, const char* object_name = nullptr);
int log2_alloc(log_array<2>& a, int d1, int d2, error_trail& trail, opt_bound l1 = {}, opt_bound l2 = {}, const char* object_name = nullptr);
int log2_dealloc(log_array<2>& a, error_trail& trail, const char* object_name = nullptr);
int log3_alloc(log_array<3>& a, int d1, int d2, int d3, error_trail& trail, opt_bound l1 = {}, opt_bound l2 = {}, opt_bound l3 = {}, const char* object_name = nullptr);
int log3_dealloc(log_array<3>& a, error_trail& trail, const char* object_name = nullptr);

}  // namespace quill::engine
