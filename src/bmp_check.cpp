// bmp_check.cpp -- BMP header and pixel-data checks, and loading through a plain in-memory copy
// NOTE: Allegro's BMP loader trusts its file: it reads past the end, ignores the pixel-data
// offset and decodes RLE without bounds. Every file is checked here first, then Allegro is
// handed a copy with a 40-byte header, a full palette and uncompressed bottom-up rows.
#include "bmp_check.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>          // Required for: strerror, memcpy
#include <new>              // Required for: std::bad_alloc
#include <vector>

#include "trackview.h"      // Required for: far_plane_sum_fits

enum { BMP_RGB = 0, BMP_RLE8 = 1, BMP_RLE4 = 2, BMP_BITFIELDS = 3, BMP_JPEG = 4, BMP_PNG = 5,
       BMP_ALPHABITFIELDS = 6 };

static uint32_t get16(const unsigned char *p)
{
    return (uint32_t)p[0] | (uint32_t)p[1] << 8;
}

static uint32_t get32(const unsigned char *p)
{
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

static void put16(std::vector<unsigned char> &out, uint32_t v)
{
    out.push_back((unsigned char)v);
    out.push_back((unsigned char)(v >> 8));
}

static void put32(std::vector<unsigned char> &out, uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// Set the reason and answer false
static bool refuse(std::string *reason, const char *format, ...)
{
    char    text[512];
    va_list args;

    va_start(args, format);
    vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    *reason = text;
    return false;
}

// Colour masks Allegro's loader decodes; it tells them apart by red and blue alone
static bool masks_allegro_reads(int bit_count, const uint32_t masks[3])
{
    if (bit_count == 16)
        return (masks[0] == 0x7C00 && masks[1] == 0x03E0 && masks[2] == 0x001F) ||
               (masks[0] == 0xF800 && masks[1] == 0x07E0 && masks[2] == 0x001F);
    if (bit_count == 32)
        return masks[0] == 0xFF0000 && masks[1] == 0x00FF00 && masks[2] == 0x0000FF;
    return false;
}

// Depth, compression and masks: only what Allegro's loader decodes correctly
static bool check_format(bmp_layout *l, uint32_t compression, std::string *reason)
{
    const int bits = l->bit_count;

    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return refuse(reason, "%d bits per pixel is not a BMP depth this viewer reads (1, 4, 8, 16, 24 or 32)",
                      bits);
    switch (compression) {
    case BMP_RGB:
        break;
    case BMP_RLE8:
    case BMP_RLE4:
        if (bits != (compression == BMP_RLE8 ? 8 : 4))
            return refuse(reason, "RLE%d compression needs %d bits per pixel, but the header says %d",
                          compression == BMP_RLE8 ? 8 : 4, compression == BMP_RLE8 ? 8 : 4, bits);
        if (l->top_down)
            return refuse(reason, "a top-down (negative height) RLE image is not a valid BMP: "
                                  "save it without compression");
        break;
    case BMP_BITFIELDS:
    case BMP_ALPHABITFIELDS:
        if (!masks_allegro_reads(bits, l->masks))
            return refuse(reason, "colour masks red %08X green %08X blue %08X at %d bits per pixel are not "
                                  "supported: save the image as a 24-bit BMP",
                          (unsigned)l->masks[0], (unsigned)l->masks[1], (unsigned)l->masks[2], bits);
        compression = BMP_BITFIELDS;
        break;
    case BMP_JPEG:
    case BMP_PNG:
        return refuse(reason, "a BMP holding %s data is not supported: save the image as an uncompressed BMP",
                      compression == BMP_JPEG ? "JPEG" : "PNG");
    default:
        return refuse(reason, "BMP compression type %u is not supported: save the image as an uncompressed BMP",
                      (unsigned)compression);
    }
    l->compression = (int)compression;
    return true;
}

// Width and height against every image's limits and the given ones
static bool check_size(int width, long long height, const bmp_limits &limits, std::string *reason)
{
    if (limits.largest_side > 0 && (width > limits.largest_side || height > limits.largest_side))
        return refuse(reason, "%dx%lld is larger than this OpenGL's largest texture, %d",
                      width, height, limits.largest_side);
    if (limits.far_plane && (height > 2147483647LL || !far_plane_sum_fits(width, (int)height)))
        return refuse(reason, "%dx%lld is too large for the view: width*width + height*height + 65025 "
                              "must not pass 2147483647 (32767x32767 at most for a square map)",
                      width, height);
    if ((long long)width * height > BMP_MOST_PIXELS)
        return refuse(reason, "%dx%lld has too many pixels: width x height must not pass %lld",
                      width, height, BMP_MOST_PIXELS);
    return true;
}

// Palette: what the header declares (0 for all), as far as the gap of room bytes before the
// pixel data holds it
static bool read_palette(const unsigned char *entry, uint64_t room, uint32_t entry_bytes, uint32_t declared,
                         bmp_layout *l, std::string *reason)
{
    const uint32_t most    = 1u << l->bit_count;
    uint64_t       entries = declared == 0 || declared > most ? most : declared;

    if (entries > room / entry_bytes)
        entries = room / entry_bytes;
    if (entries == 0)
        return refuse(reason, "the palette is missing: images of %d bits per pixel need one", l->bit_count);
    for (uint64_t i = 0; i < entries; i++, entry += entry_bytes) {
        l->palette[i][0] = entry[0];
        l->palette[i][1] = entry[1];
        l->palette[i][2] = entry[2];
    }
    l->colours = (int)entries;
    return true;
}

bool bmp_check_headers(const unsigned char *head, size_t head_size, uint64_t file_size,
                       const bmp_limits &limits, bmp_layout *l, std::string *reason)
{
    memset(l, 0, sizeof(*l));
    if (file_size == 0)
        return refuse(reason, "the file is empty");
    if (head_size < 2 || head[0] != 'B' || head[1] != 'M')
        return refuse(reason, "not a BMP file: it does not start with \"BM\"");
    if (head_size < 18)
        return refuse(reason, "file ends inside its BMP header, after %llu bytes", (unsigned long long)file_size);

    const uint32_t info_size = get32(head + 14);
    const bool     os2       = info_size == 12;

    if (!os2 && info_size != 40 && info_size != 52 && info_size != 56 && info_size != 108 && info_size != 124)
        return refuse(reason, "a BMP info header of %u bytes is not one this viewer reads: "
                              "save the image as a Windows BMP", (unsigned)info_size);
    if (head_size < 14 + info_size)
        return refuse(reason, "file ends inside its BMP header, after %llu bytes", (unsigned long long)file_size);

    const unsigned char *info        = head + 14;
    long long            height      = 0;
    uint32_t             compression = BMP_RGB;
    uint32_t             colours     = 0;          // palette entries the header declares, 0 for all
    size_t               mask_bytes  = 0;          // colour masks after a 40-byte header

    if (os2) {
        l->width     = (int)get16(info + 4);
        height       = get16(info + 6);
        l->bit_count = (int)get16(info + 10);
    } else {
        l->width     = (int32_t)get32(info + 4);
        height       = (int32_t)get32(info + 8);
        l->bit_count = (int)get16(info + 14);
        compression  = get32(info + 16);
        colours      = get32(info + 32);
        if (compression == BMP_BITFIELDS || compression == BMP_ALPHABITFIELDS) {
            const unsigned char *masks = info + 40;

            if (info_size == 40) {
                mask_bytes = compression == BMP_BITFIELDS ? 12 : 16;
                if (head_size < 14 + info_size + mask_bytes)
                    return refuse(reason, "file ends inside its BMP header, after %llu bytes",
                                  (unsigned long long)file_size);
            }
            for (int i = 0; i < 3; i++)
                l->masks[i] = get32(masks + 4 * i);
        }
    }

    if (l->width <= 0)
        return l->width == 0 ? refuse(reason, "width 0: an image must be at least 1 pixel wide")
                             : refuse(reason, "width %d is negative: the header is damaged", l->width);
    if (height == 0)
        return refuse(reason, "height 0: an image must be at least 1 pixel high");
    l->top_down = height < 0;
    if (height < 0)
        height = -height;

    if (!check_format(l, compression, reason) || !check_size(l->width, height, limits, reason))
        return false;
    l->height = (int)height;

    const uint64_t headers_end = 14 + info_size + mask_bytes;
    const uint64_t offset      = get32(head + 10);

    if (offset > file_size)
        return refuse(reason, "pixel data offset %llu is past the end of the file (%llu bytes)",
                      (unsigned long long)offset, (unsigned long long)file_size);
    if (offset < headers_end)
        return refuse(reason, "pixel data offset %llu points into the BMP header, which ends at byte %llu",
                      (unsigned long long)offset, (unsigned long long)headers_end);

    if (l->bit_count <= 8 && !read_palette(head + headers_end, offset - headers_end, os2 ? 3 : 4, colours, l, reason))
        return false;

    l->pixel_offset = offset;
    l->row_bytes    = ((uint64_t)l->width * (uint64_t)l->bit_count + 31) / 32 * 4;
    if (l->compression == BMP_RLE8 || l->compression == BMP_RLE4)
        // Runs of one pixel, the longest encoding, take two bytes a pixel: twice that, plus
        // room for padded rows and marks, bounds what is read of any RLE file
        l->pixel_bytes = 4 * ((uint64_t)l->width * (uint64_t)l->height + (uint64_t)l->height) + 64;
    else
        l->pixel_bytes = l->row_bytes * (uint64_t)l->height;
    return true;
}

// Row of the image, counted from the top, that row r of the pixel data holds
static long long image_row(const bmp_layout *l, long long r)
{
    return l->top_down ? r : l->height - 1 - r;
}

// Palette index of pixel x of an uncompressed row of 1, 4 or 8 bits
static int index_at(const unsigned char *row, int bits, int x)
{
    if (bits == 8)
        return row[x];
    if (bits == 4)
        return x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 15;
    return row[x / 8] >> (7 - x % 8) & 1;
}

static bool refuse_colour(std::string *reason, long long x, long long y, int index, int colours)
{
    return refuse(reason, "pixel (%lld, %lld) uses colour %d, but the palette has only %d colours",
                  x, y, index, colours);
}

static bool check_rows(const unsigned char *pixels, uint64_t available, bmp_layout *l, std::string *reason)
{
    const uint64_t rows = available / l->row_bytes;

    if (rows < (uint64_t)l->height)
        return refuse(reason, "file ends after %llu of %d rows", (unsigned long long)rows, l->height);

    if (l->bit_count <= 8 && l->colours < (1 << l->bit_count)) {
        for (long long r = 0; r < l->height; r++) {
            const unsigned char *row = pixels + (uint64_t)r * l->row_bytes;

            for (int x = 0; x < l->width; x++) {
                const int index = index_at(row, l->bit_count, x);

                if (index >= l->colours)
                    return refuse_colour(reason, x, image_row(l, r), index, l->colours);
            }
        }
    }
    l->data_bytes = l->pixel_bytes;
    return true;
}

static bool refuse_cut_short(std::string *reason, long long line)
{
    return refuse(reason, "the RLE data stop in row %lld (from the top) before the image's end mark: "
                          "the file is cut short", line);
}

// Walk RLE data from the bottom row up, proving that every delta stays in the image, every
// index is in the palette and the data last until the end mark or the top row; with out,
// also decode them into 8-bit rows, bottom row first, out_row bytes apart
// NOTE: pixels a run carries past the right edge are dropped, as ImageMagick pads its rows so;
// pixels a run never reaches keep index 0
static bool walk_rle(const unsigned char *s, uint64_t n, bmp_layout *l, std::string *reason,
                     unsigned char *out, uint64_t out_row)
{
    const bool      rle4 = l->compression == BMP_RLE4;
    const long long w    = l->width;
    long long       line = l->height - 1;      // row being decoded, 0 = top
    long long       x    = 0;
    uint64_t        p    = 0;

    // One pixel: inside the image it must be in the palette; past the right edge it is dropped
    auto put = [&](long long at, int index) {
        if (at >= w)
            return true;
        if (index >= l->colours)
            return refuse_colour(reason, at, line, index, l->colours);
        if (out)
            out[(uint64_t)(l->height - 1 - line) * out_row + (uint64_t)at] = (unsigned char)index;
        return true;
    };

    for (;;) {
        if (line < 0) {
            // every row is done: only the end mark may follow
            if (n - p >= 2 && !(s[p] == 0 && s[p + 1] == 1))
                return refuse(reason, "the RLE data go on past the top row of the %dx%d image",
                              l->width, l->height);
            break;
        }
        if (n - p < 2)
            return refuse_cut_short(reason, line);

        const int count = s[p];
        const int val   = s[p + 1];

        p += 2;
        if (count > 0) {
            for (int j = 0; j < count; j++)
                if (!put(x + j, rle4 ? (j % 2 == 0 ? val >> 4 : val & 15) : val))
                    return false;
            x += count;
            continue;
        }
        if (val == 0) {                         // end of line
            x = 0;
            line--;
        } else if (val == 1) {                  // end of image
            break;
        } else if (val == 2) {                  // delta: right and up
            if (n - p < 2)
                return refuse_cut_short(reason, line);
            x += s[p];
            line -= s[p + 1];
            p += 2;
            if (x > w || line < 0)
                return refuse(reason, "an RLE delta moves outside the %dx%d image", l->width, l->height);
        } else {                                // absolute run of val pixels, padded to 16 bits
            const uint64_t bytes = rle4 ? (uint64_t)(val + 3) / 4 * 2 : (uint64_t)(val + (val & 1));

            if (n - p < bytes)
                return refuse_cut_short(reason, line);
            for (int j = 0; j < val; j++)
                if (!put(x + j, rle4 ? (j % 2 == 0 ? s[p + j / 2] >> 4 : s[p + j / 2] & 15) : s[p + j]))
                    return false;
            x += val;
            p += bytes;
        }
    }
    l->data_bytes = p;
    return true;
}

bool bmp_check_pixels(const unsigned char *pixels, uint64_t available, bmp_layout *l, std::string *reason)
{
    if (available > l->pixel_bytes)
        available = l->pixel_bytes;
    if (l->compression == BMP_RLE8 || l->compression == BMP_RLE4)
        return walk_rle(pixels, available, l, reason, nullptr, 0);
    return check_rows(pixels, available, l, reason);
}

bool bmp_check(const unsigned char *data, size_t size, const bmp_limits &limits, bmp_layout *l,
               std::string *reason)
{
    const size_t head_size = size < BMP_HEAD_BYTES ? size : BMP_HEAD_BYTES;

    if (!bmp_check_headers(data, head_size, size, limits, l, reason))
        return false;
    return bmp_check_pixels(data + l->pixel_offset, size - l->pixel_offset, l, reason);
}

// The plain copy Allegro reads: a made header, then the checked pixel data,
// rows turned bottom-up where the file has them top-down
struct plain_copy {
    std::vector<unsigned char> head;
    const unsigned char       *pixels;
    uint64_t                   pixel_bytes;
    uint64_t                   row_bytes;
    uint64_t                   rows;
    bool                       flip;
    uint64_t                   at;              // read position in the copy
};

static std::vector<unsigned char> plain_header(const bmp_layout &l)
{
    const bool     masks    = l.compression == BMP_BITFIELDS;
    const uint32_t entries  = l.bit_count <= 8 ? 1u << l.bit_count : 0;
    const uint32_t offset   = 54 + (masks ? 12 : 0) + 4 * entries;
    std::vector<unsigned char> h;

    h.push_back('B');
    h.push_back('M');
    put32(h, (uint32_t)(offset + l.data_bytes));
    put32(h, 0);
    put32(h, offset);
    put32(h, 40);
    put32(h, (uint32_t)l.width);
    put32(h, (uint32_t)l.height);
    put16(h, 1);
    put16(h, (uint32_t)l.bit_count);
    put32(h, (uint32_t)l.compression);
    put32(h, (uint32_t)l.data_bytes);
    put32(h, 2835);                             // 72 dpi
    put32(h, 2835);
    put32(h, entries);
    put32(h, 0);
    if (masks)
        for (int i = 0; i < 3; i++)
            put32(h, l.masks[i]);
    // a full palette; entries the file lacks are black and no pixel uses them
    for (uint32_t i = 0; i < entries; i++)
        for (int c = 0; c < 4; c++)
            h.push_back(i < (uint32_t)l.colours && c < 3 ? l.palette[i][c] : 0);
    return h;
}

// Copy up to n bytes of the plain copy from its read position
static long plain_read(plain_copy *f, unsigned char *out, long n)
{
    long done = 0;

    while (done < n) {
        const uint64_t at = f->at;

        if (at < f->head.size()) {
            out[done++] = f->head[at];
            f->at++;
            continue;
        }
        const uint64_t q = at - f->head.size();

        if (q >= f->pixel_bytes)
            break;
        uint64_t from = q;
        uint64_t span = f->pixel_bytes - q;

        if (f->flip) {
            const uint64_t r = q / f->row_bytes;
            const uint64_t c = q % f->row_bytes;

            from = (f->rows - 1 - r) * f->row_bytes + c;
            span = f->row_bytes - c;
        }
        if (span > (uint64_t)(n - done))
            span = (uint64_t)(n - done);
        memcpy(out + done, f->pixels + from, span);
        done += (long)span;
        f->at += span;
    }
    return done;
}

static int plain_fclose(void *)
{
    return 0;
}

static int plain_getc(void *userdata)
{
    unsigned char c = 0;

    return plain_read((plain_copy *)userdata, &c, 1) == 1 ? c : EOF;
}

static int plain_ungetc(int c, void *userdata)
{
    plain_copy *f = (plain_copy *)userdata;

    if (f->at == 0)
        return EOF;
    f->at--;
    return c;
}

static long plain_fread(void *p, long n, void *userdata)
{
    return plain_read((plain_copy *)userdata, (unsigned char *)p, n);
}

static int plain_putc(int, void *)
{
    return EOF;
}

static long plain_fwrite(const void *, long, void *)
{
    return 0;
}

static int plain_fseek(void *userdata, int offset)
{
    plain_copy *f = (plain_copy *)userdata;

    if (offset < 0)
        return -1;
    f->at += (uint64_t)offset;
    return 0;
}

static int plain_feof(void *userdata)
{
    const plain_copy *f = (const plain_copy *)userdata;

    return f->at >= f->head.size() + f->pixel_bytes;
}

static int plain_ferror(void *)
{
    return 0;
}

static const PACKFILE_VTABLE PLAIN_COPY_VTABLE = {
    plain_fclose, plain_getc, plain_ungetc, plain_fread, plain_putc, plain_fwrite,
    plain_fseek, plain_feof, plain_ferror,
};

BITMAP *bmp_load_checked(const unsigned char *pixels, const bmp_layout &layout)
{
    bmp_layout                 plain = layout;
    std::vector<unsigned char> decoded;

    // RLE data reach Allegro decoded, as plain 8-bit rows: its own decoder writes where the data say
    if (layout.compression == BMP_RLE8 || layout.compression == BMP_RLE4) {
        std::string reason;

        plain.bit_count   = 8;
        plain.compression = BMP_RGB;
        plain.row_bytes   = ((uint64_t)layout.width + 3) / 4 * 4;
        plain.data_bytes  = plain.row_bytes * (uint64_t)layout.height;
        try {
            decoded.assign((size_t)plain.data_bytes, 0);
        } catch (const std::bad_alloc &) {
            return nullptr;
        }
        bmp_layout walked = layout;

        if (!walk_rle(pixels, layout.data_bytes, &walked, &reason, decoded.data(), plain.row_bytes))
            return nullptr;
        pixels = decoded.data();
    }

    plain_copy copy;

    copy.head        = plain_header(plain);
    copy.pixels      = pixels;
    copy.pixel_bytes = plain.data_bytes;
    copy.row_bytes   = plain.row_bytes;
    copy.rows        = (uint64_t)plain.height;
    copy.flip        = plain.top_down;
    copy.at          = 0;

    PACKFILE *f = pack_fopen_vtable(&PLAIN_COPY_VTABLE, &copy);

    if (!f)
        return nullptr;

    BITMAP *image = load_bmp_pf(f, nullptr);

    pack_fclose(f);
    return image;
}

// Move forward in a file by a 64-bit count; Allegro seeks by int
static bool skip_bytes(PACKFILE *f, uint64_t n)
{
    while (n > 0) {
        const int step = n > (1u << 30) ? (1 << 30) : (int)n;

        if (pack_fseek(f, step) != 0)
            return false;
        n -= (uint64_t)step;
    }
    return true;
}

// Read n bytes of a file from byte from on
static bool read_span(const char *path, uint64_t from, unsigned char *out, uint64_t n)
{
    PACKFILE *f = pack_fopen(path, F_READ);

    if (!f)
        return false;

    const bool read = skip_bytes(f, from) && pack_fread(out, (long)n, f) == (long)n;

    pack_fclose(f);
    return read;
}

BITMAP *load_checked_bmp(const char *path, const bmp_limits &limits, std::string *reason)
{
    const uint64_t file_size = file_size_ex(path);
    unsigned char  head[BMP_HEAD_BYTES];
    const size_t   head_size = file_size < BMP_HEAD_BYTES ? (size_t)file_size : BMP_HEAD_BYTES;
    bmp_layout     layout;

    if (!read_span(path, 0, head, head_size)) {
        refuse(reason, "could not be read: %s", strerror(errno));
        return nullptr;
    }
    if (!bmp_check_headers(head, head_size, file_size, limits, &layout, reason))
        return nullptr;

    // Only the pixel data are read, never more than an image of this size can need
    uint64_t available = file_size - layout.pixel_offset;

    if (available > layout.pixel_bytes)
        available = layout.pixel_bytes;

    std::vector<unsigned char> pixels;

    try {
        pixels.resize((size_t)available);
    } catch (const std::bad_alloc &) {
        refuse(reason, "not enough memory to read its %llu bytes of pixel data", (unsigned long long)available);
        return nullptr;
    }
    if (!read_span(path, layout.pixel_offset, pixels.data(), available)) {
        refuse(reason, "could not be read: %s", strerror(errno));
        return nullptr;
    }
    if (!bmp_check_pixels(pixels.data(), available, &layout, reason))
        return nullptr;

    BITMAP *image = bmp_load_checked(pixels.data(), layout);

    if (!image)
        refuse(reason, "not enough memory to load this %dx%d image", layout.width, layout.height);
    return image;
}
