"""What a recording holds: its loudness, and how strong one frequency is against others."""
import array
import math
import wave


def read_mono(path):
    """Samples in -1..1 and the sample rate; a stereo file is mixed down."""
    with wave.open(path, "rb") as w:
        rate, channels, width = w.getframerate(), w.getnchannels(), w.getsampwidth()
        frames = w.readframes(w.getnframes())
    if width != 2:
        raise ValueError(f"{path}: {8 * width}-bit samples, expected 16")
    samples = array.array("h", frames[: len(frames) // 2 * 2])
    if channels > 1:
        samples = array.array("h", (sum(samples[i:i + channels]) // channels
                                    for i in range(0, len(samples) - channels + 1, channels)))
    return [s / 32768.0 for s in samples], rate


def rms(samples):
    return math.sqrt(sum(s * s for s in samples) / len(samples)) if samples else 0.0


def power_at(samples, rate, frequency):
    """Goertzel: the power of one frequency over the whole block, normalised by its length."""
    coefficient = 2 * math.cos(2 * math.pi * frequency / rate)
    s1 = s2 = 0.0
    for x in samples:
        s0 = x + coefficient * s1 - s2
        s2, s1 = s1, s0
    return (s1 * s1 + s2 * s2 - coefficient * s1 * s2) / max(len(samples), 1) ** 2


def band_power(samples, rate, low, high, step=10):
    """The strongest single-frequency power between low and high Hz."""
    return max(power_at(samples, rate, f) for f in range(int(low), int(high) + 1, step))


def beep_heard(path):
    """Whether the recording holds the built-in beep (its energy near 1.2 kHz), and the figures."""
    samples, rate = read_mono(path)
    beep = band_power(samples, rate, 1150, 1250)
    elsewhere = max(band_power(samples, rate, 600, 700), band_power(samples, rate, 1800, 1900))
    return (beep > 20 * max(elsewhere, 1e-12) and rms(samples) > 0.01,
            f"rms {rms(samples):.4f}, 1.2 kHz {beep:.2e}, elsewhere {elsewhere:.2e}")


def silent(path):
    """Whether the recording is silent (rms below 0.005), and the figure."""
    samples, _ = read_mono(path)
    return rms(samples) < 0.005, f"rms {rms(samples):.4f}"


def which_heard(path, tone_hz):
    """Which sound a recording holds: "ringtone" (a steady tone of tone_hz), "built-in" (the beep
    near 1.2 kHz), "both", or "silence"; and the figures."""
    samples, rate = read_mono(path)
    level = rms(samples)
    tone = band_power(samples, rate, tone_hz - 10, tone_hz + 10)
    beep = band_power(samples, rate, 1150, 1250)
    detail = f"rms {level:.4f}, {tone_hz} Hz {tone:.2e}, 1.2 kHz {beep:.2e}"
    if level < 0.005:
        return "silence", detail
    if tone > 20 * beep:
        return "ringtone", detail
    if beep > 20 * tone:
        return "built-in", detail
    return "both", detail
