#include "allocation.h"

#include <string>

namespace quill::engine {

namespace {

template <class T, int Rank>
int allocate_array(engine_array<T, Rank>& a, const std::array<int, Rank>& upper,
                   const std::array<opt_bound, Rank>& lower, error_trail& trail,
                   const char* routine, const char* object_name) {
    a.release();  // releasing an owned array cannot fail
    std::array<int, Rank> lo{};
    std::array<int, Rank> ext{};
    for (int d = 0; d < Rank; ++d) {
        lo[d] = lower[d].value_or(1);
        const long e = static_cast<long>(upper[d]) - lo[d] + 1;
        ext[d] = e < 0 ? 0 : static_cast<int>(e);
    }
    if (!a.allocate(lo, ext)) {
        const std::string where = std::string(routine) + " in MOD dynamic_allocation";
        error_handle(trail, status_allocation, where.c_str(), nullptr, {}, object_name);
        return -1;
    }
    return 0;
}

template <class T, int Rank>
int allocate_extents(engine_array<T, Rank>& a, std::span<const int32_t> extents,
                     error_trail& trail, const char* routine) {
    std::array<int, Rank> upper{};
    std::array<opt_bound, Rank> lower{};
    for (int d = 0; d < Rank; ++d) upper[d] = d < static_cast<int>(extents.size()) ? extents[d] : 0;
    return allocate_array<T, Rank>(a, upper, lower, trail, routine, nullptr);
}

template <class T, int Rank>
int release_array(engine_array<T, Rank>& a, error_trail&, const char*) {
    a.release();
    return 0;
}

}  // namespace


int int1_alloc(int_array<1>& a, int d1, error_trail& trail, opt_bound l1, const char* object_name) {
    return allocate_array<>(a, {d1}, {l1}, trail, "int1_alloc", object_name);
}

int int1_alloc(int_array<1>& a, std::span<const int32_t> extents, error_trail& trail) {
    return allocate_extents(a, extents, trail, "int1_alloc");
}

int int1_dealloc(int_array<1>& a, error_trail& trail, const char* object_name) {
    return release_array(a, trail, object_name);
}

int int2_alloc(int_array<2>& a, int d1, int d2, error_trail& trail, opt_bound l1, opt_bound l2, const char* object_name) {
    return allocate_array<>(a, {d1, d2}, {l1, l2}, trail, "int2_alloc", object_name);
}

int int2_alloc(int_array<2>& a, std::span<const int32_t> extents, error_trail& trail) {
    return allocate_extents(a, extents, trail, "int2_alloc");
}

int int2_dealloc(int_array<2>& a, error_trail& trail, const char* object_name) {
    return release_array(a, trail, object_name);
}

int int3_alloc(int_array<3>& a, int d1, int d2, int d3, error_trail& trail, opt_bound l1, opt_bound l2, opt_bound l3, const char* object_name) {
    return allocate_array<>(a, {d1, d2, d3}, {l1, l2, l3}, trail, "int3_alloc", object_name);
}

int int3_alloc(int_array<3>& a, std::span<const int32_t> extents, error_trail& trail) {
    return allocate_extents(a, extents, trail, "int3_alloc");
}

int int3_dealloc(int_array<3>& a, error_trail& trail, const char* object_name) {
    return release_array(a, trail, object_name);
}

int int4_alloc(int_array<4>& a, int d1, int d2, int d3, int d4, error_trail& trail, opt_bound l1, opt_bound l2, opt_bound l3, opt_bound l4, const char* object_name) {
    return allocate_array<>(a, {d1, d2, d3, d4}, {l1, l2, l3, l4}, trail, "int4_alloc", object_name);
}

int int4_alloc(int_array<4>& a, std::span<const int32_t> extents, error_trail& trail) {
    return allocate_extents(a, extents, trail, "int4_alloc");
}

int int4_dealloc(int_array<4>& a, error_trail& trail, const char* object_name) {
    return release_array(a, trail, object_name);
}

int int5_alloc(int_array<5>& a, int d1, int d2, int d3, int d4, int d5, error_trail& trail, opt_bound l1, opt_bound l2, opt_bound l3, opt_bound l4, opt_bound l5, const char* object_name) {
    return allocate_array<>(a, {d1, d2, d3, d4, d5}, {l1, l2, l3, l4, l5}, trail, "int5_alloc", object_name);
}

int int5_alloc(int_array<5>& a, std::span<const int32_t> extents, error_trail& trail) {
    return allocate_extents(a, extents, trail, "int5_alloc");
}

int int5_dealloc(int_array<5>& a, error_trail& trail, const char* object_name) {
    return release_array(a, trail, object_name);
}

int int6_alloc(int_array<6>& a, int d1, int d2, int d3, int d4, int d5, int d6, error_trail& trail, opt_bound l1, opt_bound l2, opt_bound l3, opt_bound l4, opt_bound l5, opt_bound l6, const char* object_name) {
    return allocate_array<>(a, {d1, d2, d3, d4, d5, d6}, {l1, l2, l3, l4, l5, l6}, trail, "int6_alloc", object_name);
}

int int6_alloc(int_array<6>& a, std::span<const int32_t> extents, error_trail& trail) {
    return allocate_extents(a, extents, trail, "int6_alloc");
}

int int6_dealloc(int_array<6>& a, error_trail& trail, const char* object_name) {
    return release_array(a, trail, object_name);
}

int int7_alloc(int_array<7>& a, int d1, int d2, int d3, int d4, int d5, int d6, int d7, error_trail& trail, opt_bound l1, opt_bound l2, opt_bound l3, opt_bound l4, opt_bound l5, opt_bound l6, opt_bound l7, const char* object_name) {
    return allocate_array<>(a, {d1, d2, d3, d4, d5, d6, d7}, {l1, l2, l3, l4, l5, l6, l7}, trail, "int7_alloc", object_name);
}

int int7_alloc(int_array<7>& a, std::span<const int32_t> extents, error_trail& trail) {
    return allocate_extents(a, extents, trail, "int7_alloc");
}

int int7_dealloc(int_array<7>& a, error_trail& trail, const char* object_name) {
    return release_array(a, trail, object_name);
}

int dbl1_alloc(dbl_array<1>& a, int d1, error_trail& trail, opt_bound l1, const char* object_name) {
    return allocate_array<>(a, {d1}, {l1}, trail, "dbl1_alloc", object_name);
}

int dbl1_alloc(dbl_array<1>& a, std::span<const int32_t> extents, error_trail& trail) {
    return allocate_extents(a, extents, trail, "dbl1_alloc");
}

int dbl1_dealloc(dbl_array<1>& a, error_trail& trail, const char* object_name) {
    return release_array(a, trail, object_name);
}

int dbl2_alloc(dbl_array<2>& a, int d1, int d2, error_trail& trail, opt_bound l1, opt_bound l2, const char* object_name) {
    return allocate_array<>(a, {d1, d2}, {l1, l2}, trail, "dbl2_alloc", object_name);
}

int dbl2_alloc(dbl_array<2>& a, std::span<const int32_t> extents, error_trail& trail) {
    return allocate_extents(a, extents, trail, "dbl2_alloc");
}

int dbl2_dealloc(dbl_array<2>& a, error_trail& trail, const char* object_name) {
    return release_array(a, trail, object_name);
}

int dbl3_alloc(dbl_array<3>& a, int d1, int d2, int d3, error_trail& trail, opt_bound l1, opt_bound l2, opt_bound l3, const char* object_name) {
    return allocate_array<>(a, {d1, d2, d3}, {l1, l2, l3}, trail, "dbl3_alloc", object_name);
}

int dbl3_alloc(dbl_array<3>& a, std::span<const int32_t> extents, error_trail& trail) {
    return allocate_extents(a, extents, trail, "dbl3_alloc");
}

int dbl3dealloc(dbl_array<3>& a, error_trail& trail, const char* object_name) {
    return release_array(a, trail, object_name);
}

int dbl4_alloc(dbl_array<4>& a, int d1, int d2, int d3, int d4, error_trail& trail, opt_bound l1, opt_bound l2, opt_bound l3, opt_bound l4, const char* object_name) {
    return allocate_array<>(a, {d1, d2, d3, d4}, {l1, l2, l3, l4}, trail, "dbl4_alloc", object_name);
}

int dbl4_alloc(dbl_array<4>& a, std::span<const int32_t> extents, error_trail& trail) {
    return allocate_extents(a, extents, trail, "dbl4_alloc");
}

int dbl4dealloc(dbl_array<4>& a, error_trail& trail, const char* object_name) {
    return release_array(a, trail, object_name);
}

int dbl5_alloc(dbl_array<5>& a, int d1, int d2, int d3, int d4, int d5, error_trail& trail, opt_bound l1, opt_bound l2, opt_bound l3, opt_bound l4, opt_bound l5, const char* object_name) {
    return allocate_array<>(a, {d1, d2, d3, d4, d5}, {l1, l2, l3, l4, l5}, trail, "dbl5_alloc", object_name);
}

int dbl5_alloc(dbl_array<5>& a, std::span<const int32_t> extents, error_trail& trail) {
    return allocate_extents(a, extents, trail, "dbl5_alloc");
}

int dbl5dealloc(dbl_array<5>& a, error_trail& trail, const char* object_name) {
    return release_array(a, trail, object_name);
}

int dbl6_alloc(dbl_array<6>& a, int d1, int d2, int d3, int d4, int d5, int d6, error_trail& trail, opt_bound l1, opt_bound l2, opt_bound l3, opt_bound l4, opt_bound l5, opt_bound l6, const char* object_name) {
    return allocate_array<>(a, {d1, d2, d3, d4, d5, d6}, {l1, l2, l3, l4, l5, l6}, trail, "dbl6_alloc", object_name);
}

int dbl6_alloc(dbl_array<6>& a, std::span<const int32_t> extents, error_trail& trail) {
    return allocate_extents(a, extents, trail, "dbl6_alloc");
}

int dbl6dealloc(dbl_array<6>& a, error_trail& trail, const char* object_name) {
    return release_array(a, trail, object_name);
}

int dbl7_alloc(dbl_array<7>& a, int d1, int d2, int d3, int d4, int d5, int d6, int d7, error_trail& trail, opt_bound l1, opt_bound l2, opt_bound l3, opt_bound l4, opt_bound l5, opt_bound l6, opt_bound l7, const char* object_name) {
    return allocate_array<>(a, {d1, d2, d3, d4, d5, d6, d7}, {l1, l2, l3, l4, l5, l6, l7}, trail, "dbl7_alloc", object_name);
}

int dbl7_alloc(dbl_array<7>& a, std::span<const int32_t> extents, error_trail& trail) {
    return allocate_extents(a, extents, trail, "dbl7_alloc");
}

int dbl7dealloc(dbl_array<7>& a, error_trail& trail, const char* object_name) {
    return release_array(a, trail, object_name);
}

int str1_alloc(str_array<1>& a, int d1, error_trail& trail, opt_bound l1, const char* object_name) {
    return allocate_array<>(a, {d1}, {l1}, trail, "str1_alloc", object_name);
}

int str1_alloc(str_array<1>& a, std::span<const int32_t> extents, error_trail& trail) {
    return allocate_extents(a, extents, trail, "str1_alloc");
}

int str1_dealloc(str_array<1>& a, error_trail& trail, const char* object_name) {
    return release_array(a, trail, object_name);
}

int str2_alloc(str_array<2>& a, int d1, int d2, error_trail& trail, opt_bound l1, opt_bound l2, const char* object_name) {
    return allocate_array<>(a, {d1, d2}, {l1, l2}, trail, "str2_alloc", object_name);
}

int str2_alloc(str_array<2>& a, std::span<const int32_t> extents, error_trail& trail) {
    return allocate_extents(a, extents, trail, "str2_alloc");
}

int str2_dealloc(str_array<2>& a, error_trail& trail, const char* object_name) {
    return release_array(a, trail, object_name);
}

int str3_alloc(str_array<3>& a, int d1, int d2, int d3, error_trail& trail, opt_bound l1, opt_bound l2, opt_bound l3, const char* object_name) {
    return allocate_array<>(a, {d1, d2, d3}, {l1, l2, l3}, trail, "str3_alloc", object_name);
}

int str3_alloc(str_array<3>& a, std::span<const int32_t> extents, error_trail& trail) {
    return allocate_extents(a, extents, trail, "str3_alloc");
}

int str3_dealloc(str_array<3>& a, error_trail& trail, const char* object_name) {
    return release_array(a, trail, object_name);
}

int str4_alloc(str_array<4>& a, int d1, int d2, int d3, int d4, error_trail& trail, opt_bound l1, opt_bound l2, opt_bound l3, opt_bound l4, const char* object_name) {
    return allocate_array<>(a, {d1, d2, d3, d4}, {l1, l2, l3, l4}, trail, "str4_alloc", object_name);
}

int str4_alloc(str_array<4>& a, std::span<const int32_t> extents, error_trail& trail) {
    return allocate_extents(a, extents, trail, "str4_alloc");
}

int str4_dealloc(str_array<4>& a, error_trail& trail, const char* object_name) {
    return release_array(a, trail, object_name);
}

int str5_alloc(str_array<5>& a, int d1, int d2, int d3, int d4, int d5, error_trail& trail, opt_bound l1, opt_bound l2, opt_bound l3, opt_bound l4, opt_bound l5, const char* object_name) {
    return allocate_array<>(a, {d1, d2, d3, d4, d5}, {l1, l2, l3, l4, l5}, trail, "str5_alloc", object_name);
}

int str5_alloc(str_array<5>& a, std::span<const int32_t> extents, error_trail& trail) {
    return allocate_extents(a, extents, trail, "str5_alloc");
}

int str5_dealloc(str_array<5>& a, error_trail& trail, const char* object_name) {
    return release_array(a, trail, object_name);
}

int str6_alloc(str_array<6>& a, int d1, int d2, int d3, int d4, int d5, int d6, error_trail& trail, opt_bound l1, opt_bound l2, opt_bound l3, opt_bound l4, opt_bound l5, opt_bound l6, const char* object_name) {
    return allocate_array<>(a, {d1, d2, d3, d4, d5, d6}, {l1, l2, l3, l4, l5, l6}, trail, "str6_alloc", object_name);
}

int str6_alloc(str_array<6>& a, std::span<const int32_t> extents, error_trail& trail) {
    return allocate_extents(a, extents, trail, "str6_alloc");
}

int str6_dealloc(str_array<6>& a, error_trail& trail, const char* object_name) {
    return release_array(a, trail, object_name);
}

int str7_alloc(str_array<7>& a, int d1, int d2, int d3, int d4, int d5, int d6, int d7, error_trail& trail, opt_bound l1, opt_bound l2, opt_bound l3, opt_bound l4, opt_bound l5, opt_bound l6, opt_bound l7, const char* object_name) {
    return allocate_array<>(a, {d1, d2, d3, d4, d5, d6, d7}, {l1, l2, l3, l4, l5, l6, l7}, trail, "str7_alloc", object_name);
}

int str7_alloc(str_array<7>& a, std::span<const int32_t> extents, error_trail& trail) {
    return allocate_extents(a, extents, trail, "str7_alloc");
}

int str7_dealloc(str_array<7>& a, error_trail& trail, const char* object_name) {
    return release_array(a, trail, object_name);
}

int log1_alloc(log_array<1>& a, int d1, error_trail& trail, opt_bound l1, const char* object_name) {
    return allocate_array<>(a, {d1}, {l1}, trail, "log1_alloc", object_name);
}

int log1_dealloc(log_array<1>& a, error_trail& trail, const char* object_name) {
    return release_array(a, trail, object_name);
}

int log2_alloc(log_array<2>& a, int d1, int d2, error_trail& trail, opt_bound l1, opt_bound l2, const char* object_name) {
    return allocate_array<>(a, {d1, d2}, {l1, l2}, trail, "log2_alloc", object_name);
}

int log2_dealloc(log_array<2>& a, error_trail& trail, const char* object_name) {
    return release_array(a, trail, object_name);
}

int log3_alloc(log_array<3>& a, int d1, int d2, int d3, error_trail& trail, opt_bound l1, opt_bound l2, opt_bound l3, const char* object_name) {
    return allocate_array<>(a, {d1, d2, d3}, {l1, l2, l3}, trail, "log3_alloc", object_name);
}

int log3_dealloc(log_array<3>& a, error_trail& trail, const char* object_name) {
    return release_array(a, trail, object_name);
}

}  // namespace quill::engine
