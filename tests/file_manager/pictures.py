"""What the screen must show, worked out from the pictures the samples were
made with (make_samples --pictures), never from the plugin's reading, and the
comparisons with a screenshot.

The platform scales with its own filter (the viewer and the thumbnails use
the halftone stretch, larger pictures are drawn with colour-on-colour), so a
screenshot never equals a resampled reference pixel for pixel: edges differ
by a pixel's worth of blending. The comparison therefore works on 4 x 4
block means, where that blending averages out, and takes the reference that
fits best among all the known pictures: a check passes only when the
expected picture is both close (mean block error under MATCH_ERROR) and
clearly closer than every other known picture.
"""
import numpy as np
from PIL import Image

# Measured under Wine 8 on Xvfb at 24 bits: the right picture scores 1 to 4
# (of 255) in mean block error, the samples' other pictures 25 and more.
MATCH_ERROR = 10.0
# Position and size of a fitted picture may differ from the model by the
# rounding of one pixel at each edge, and by one more where a transparent
# picture's anti-aliased edge meets the background.
EDGE_SLACK = 2
# Thumbnails are scaled by point sampling, which point_sample reproduces
# (nearly): the right picture scores under 1.8, a drawing's mostly white
# thumbnail laid on white space 3 and more.
THUMBNAIL_ERROR = 2.5
BLOCK = 4
RIVAL_MARGIN = 0.5


def load_rgb(path):
    return np.asarray(Image.open(path).convert("RGB"), dtype=np.float64)


def load_over(path, background):
    """A known picture laid over a background colour (r, g, b), as the
    plugin lays a true-colour picture over its background."""
    image = Image.open(path).convert("RGBA")
    rgba = np.asarray(image, dtype=np.float64)
    alpha = rgba[:, :, 3:4] / 255.0
    return rgba[:, :, :3] * alpha + np.array(background, dtype=np.float64) * (1 - alpha)


def fit_size(box_w, box_h, pic_w, pic_h, only_larger=True):
    """The size ShowFlags 0x62 asks for: fitted into the box with its
    proportions kept, and only when larger than the box."""
    if only_larger and pic_w <= box_w and pic_h <= box_h:
        return pic_w, pic_h
    trial_h = round(box_w * pic_h / pic_w)
    if trial_h > box_h:
        return max(1, round(box_h * pic_w / pic_h)), box_h
    return box_w, max(1, trial_h)


def resize(rgb, width, height):
    image = Image.fromarray(np.clip(rgb, 0, 255).astype(np.uint8))
    return np.asarray(image.resize((width, height), Image.BOX), dtype=np.float64)


def point_sample(rgb, width, height):
    """Scaling as Wine's StretchBlt does it into a memory bitmap, whatever
    the stretch mode: each pixel takes one source pixel, the one nearest to
    x * source size / size (measured: the thumbnails of the samples whose
    sizes divide match to the bit, the others within a mean error of 2).
    Windows' halftone mode averages instead."""
    source_h, source_w = rgb.shape[:2]
    xs = np.minimum(source_w - 1, (np.arange(width) * source_w + width // 2) // width)
    ys = np.minimum(source_h - 1, (np.arange(height) * source_h + height // 2) // height)
    return rgb[ys][:, xs]


def block_means(rgb):
    h = rgb.shape[0] // BLOCK * BLOCK
    w = rgb.shape[1] // BLOCK * BLOCK
    cut = rgb[:h, :w]
    return cut.reshape(h // BLOCK, BLOCK, w // BLOCK, BLOCK, 3).mean(axis=(1, 3))


def picture_error(shown, reference):
    """Mean block error between a shown picture and a reference resized to
    the same size."""
    scaled = resize(reference, shown.shape[1], shown.shape[0])
    return float(np.abs(block_means(shown) - block_means(scaled)).mean())


def colour_mask(rgb, colour):
    return np.all(rgb == np.array(colour, dtype=np.float64), axis=2)


def near_colour_mask(rgb, colour, tolerance=24):
    return np.abs(rgb - np.array(colour, dtype=np.float64)).sum(axis=2) <= tolerance


def bbox(mask):
    ys, xs = np.nonzero(mask)
    if len(xs) == 0:
        return None
    return int(xs.min()), int(ys.min()), int(xs.max()) + 1, int(ys.max()) + 1


def check_fitted(shot, background, expected_name, known, area=None):
    """Checks that the screenshot shows known[expected_name] fitted (only
    when larger) and centred in the picture area, on the background colour.
    area: (left, top, right, bottom) of the picture area; by default the
    extent of the background colour, which surrounds a centred picture on
    two sides at least. Returns a list of failures (empty when it holds)."""
    failures = []
    if area is None:
        area = bbox(colour_mask(shot, background))
        if area is None:
            return ["no background colour on the screen: no viewer"]
    left, top, right, bottom = area
    region = shot[top:bottom, left:right]
    box_w, box_h = right - left, bottom - top
    reference = known[expected_name]
    pic_h, pic_w = reference.shape[:2]
    want_w, want_h = fit_size(box_w, box_h, pic_w, pic_h)
    want_x, want_y = (box_w - want_w) // 2, (box_h - want_h) // 2
    drawn = bbox(~near_colour_mask(region, background))
    if drawn is None:
        return ["the picture area %dx%d holds only the background" % (box_w, box_h)]
    x0, y0, x1, y1 = drawn
    # Where the picture differs from the background: all of it for an
    # opaque picture, the object alone for a transparent one.
    inner = bbox(~near_colour_mask(resize(reference, want_w, want_h), background))
    if inner is None:
        return ["the expected picture is all background"]
    ix0, iy0, ix1, iy1 = inner
    for name, got, want in (("left", x0, want_x + ix0), ("top", y0, want_y + iy0),
                            ("right", x1, want_x + ix1), ("bottom", y1, want_y + iy1)):
        if abs(got - want) > EDGE_SLACK:
            failures.append("picture's %s edge at %d, expected %d (area %dx%d, picture %dx%d fitted to %dx%d)"
                            % (name, got, want, box_w, box_h, pic_w, pic_h, want_w, want_h))
    shown = region[want_y:want_y + want_h, want_x:want_x + want_w]
    failures += check_identity(shown, expected_name, known)
    return failures


def check_identity(shown, expected_name, known):
    errors = {name: picture_error(shown, picture) for name, picture in known.items()}
    best = min(errors, key=errors.get)
    # A document's two pictures of a drawing on white paper are the same at
    # a small scale: a rival counts only when clearly closer.
    if errors[expected_name] > MATCH_ERROR or errors[best] < errors[expected_name] - RIVAL_MARGIN:
        summary = ", ".join("%s %.1f" % (name, errors[name]) for name in sorted(errors, key=errors.get)[:3])
        return ["the picture shown is not %s (mean block error %.1f; closest: %s)"
                % (expected_name, errors[expected_name], summary)]
    return []


def find_picture(shot, template):
    """The top-left corner where the template fits the screenshot best (least
    squared difference, by FFT), and the mean absolute error there."""
    grey = shot.mean(axis=2)
    t = template.mean(axis=2)
    th, tw = t.shape
    h, w = grey.shape
    size = (h + th, w + tw)
    fi = np.fft.rfft2(grey, size)
    ft = np.fft.rfft2(t[::-1, ::-1], size)
    cross = np.fft.irfft2(fi * ft, size)[th - 1:h, tw - 1:w]
    squares = np.cumsum(np.cumsum(np.pad(grey ** 2, ((1, 0), (1, 0))), axis=0), axis=1)
    window = squares[th:, tw:] - squares[:-th, tw:] - squares[th:, :-tw] + squares[:-th, :-tw]
    ssd = window - 2 * cross + (t ** 2).sum()
    y, x = np.unravel_index(np.argmin(ssd), ssd.shape)
    error = float(np.abs(block_means(shot[y:y + th, x:x + tw]) - block_means(template)).mean())
    return int(x), int(y), error


def text_rows(region, darkness=320):
    """The lines of dark text in a region of a light list: runs of pixel
    rows that hold a dark pixel (the sum of its channels below darkness)."""
    dark_rows = (region.astype(int).sum(axis=2) < darkness).any(axis=1)
    runs = 0
    previous = False
    for dark in dark_rows:
        if dark and not previous:
            runs += 1
        previous = bool(dark)
    return runs
