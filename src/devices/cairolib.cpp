// cairo, loaded by the first PDF or SVG plot of the process: the functions the document
// devices call are defined here and forward to the library's, so no other run maps it.
#include "devices/cairolib.h"

#include "base/dynlib.h"

#pragma GCC visibility push(hidden)
#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cairo.h>
#pragma GCC visibility pop

// clang-format off
#define CAIROFNS(X) \
    X(cairo_create, cairo_t *, (cairo_surface_t *target), (target)) \
    X(cairo_destroy, void, (cairo_t *cr), (cr)) \
    X(cairo_fill, void, (cairo_t *cr), (cr)) \
    X(cairo_image_surface_create, cairo_surface_t *, (cairo_format_t format, int width, int height), (format, width, height)) \
    X(cairo_image_surface_get_data, unsigned char *, (cairo_surface_t *surface), (surface)) \
    X(cairo_image_surface_get_stride, int, (cairo_surface_t *surface), (surface)) \
    X(cairo_line_to, void, (cairo_t *cr, double x, double y), (cr, x, y)) \
    X(cairo_matrix_init, void, (cairo_matrix_t *matrix, double xx, double yx, double xy, double yy, double x0, double y0), (matrix, xx, yx, xy, yy, x0, y0)) \
    X(cairo_move_to, void, (cairo_t *cr, double x, double y), (cr, x, y)) \
    X(cairo_pattern_create_for_surface, cairo_pattern_t *, (cairo_surface_t *surface), (surface)) \
    X(cairo_pattern_destroy, void, (cairo_pattern_t *pattern), (pattern)) \
    X(cairo_pattern_set_filter, void, (cairo_pattern_t *pattern, cairo_filter_t filter), (pattern, filter)) \
    X(cairo_pattern_set_matrix, void, (cairo_pattern_t *pattern, const cairo_matrix_t *matrix), (pattern, matrix)) \
    X(cairo_pdf_surface_create_for_stream, cairo_surface_t *, (cairo_write_func_t write_func, void *closure, double width_in_points, double height_in_points), (write_func, closure, width_in_points, height_in_points)) \
    X(cairo_pdf_surface_set_metadata, void, (cairo_surface_t *surface, cairo_pdf_metadata_t metadata, const char *utf8), (surface, metadata, utf8)) \
    X(cairo_rectangle, void, (cairo_t *cr, double x, double y, double width, double height), (cr, x, y, width, height)) \
    X(cairo_set_line_cap, void, (cairo_t *cr, cairo_line_cap_t line_cap), (cr, line_cap)) \
    X(cairo_set_line_join, void, (cairo_t *cr, cairo_line_join_t line_join), (cr, line_join)) \
    X(cairo_set_line_width, void, (cairo_t *cr, double width), (cr, width)) \
    X(cairo_set_matrix, void, (cairo_t *cr, const cairo_matrix_t *matrix), (cr, matrix)) \
    X(cairo_set_source, void, (cairo_t *cr, cairo_pattern_t *source), (cr, source)) \
    X(cairo_set_source_rgb, void, (cairo_t *cr, double red, double green, double blue), (cr, red, green, blue)) \
    X(cairo_status_to_string, const char *, (cairo_status_t status), (status)) \
    X(cairo_stroke, void, (cairo_t *cr), (cr)) \
    X(cairo_surface_destroy, void, (cairo_surface_t *surface), (surface)) \
    X(cairo_surface_finish, void, (cairo_surface_t *surface), (surface)) \
    X(cairo_surface_flush, void, (cairo_surface_t *surface), (surface)) \
    X(cairo_surface_mark_dirty, void, (cairo_surface_t *surface), (surface)) \
    X(cairo_surface_show_page, void, (cairo_surface_t *surface), (surface)) \
    X(cairo_surface_status, cairo_status_t, (cairo_surface_t *surface), (surface)) \
    X(cairo_svg_surface_create_for_stream, cairo_surface_t *, (cairo_write_func_t write_func, void *closure, double width_in_points, double height_in_points), (write_func, closure, width_in_points, height_in_points)) \
    X(cairo_svg_surface_set_document_unit, void, (cairo_surface_t *surface, cairo_svg_unit_t unit), (surface, unit))
// clang-format on

DYNLIB(CAIROFNS, "libcairo.so.2", cairoready)
