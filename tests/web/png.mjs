// Just enough PNG for the test: reads 8-bit greyscale, RGB and RGBA images without interlacing
// (what Chromium's screenshots and the show's stills are) into RGB rows.
import {inflateSync} from 'node:zlib';

const kChannels = {0: 1, 2: 3, 6: 4};

function paeth(a, b, c) {
  const p = a + b - c;
  const pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
  return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// {width, height, rgb: Uint8Array of width * height * 3}; throws on anything else.
export function decodePng(bytes) {
  const signature = [137, 80, 78, 71, 13, 10, 26, 10];
  if (bytes.length < 8 || signature.some((value, i) => bytes[i] !== value)) throw new Error('not a PNG');
  let width = 0, height = 0, channels = 0;
  const data = [];
  for (let at = 8; at + 8 <= bytes.length;) {
    const length = bytes.readUInt32BE(at);
    const type = bytes.toString('latin1', at + 4, at + 8);
    const body = bytes.subarray(at + 8, at + 8 + length);
    if (type === 'IHDR') {
      width = body.readUInt32BE(0);
      height = body.readUInt32BE(4);
      channels = kChannels[body[9]];
      if (body[8] !== 8 || !channels || body[12] !== 0) throw new Error('unsupported PNG layout');
    } else if (type === 'IDAT') {
      data.push(body);
    } else if (type === 'IEND') {
      break;
    }
    at += 12 + length;
  }
  const raw = inflateSync(Buffer.concat(data));
  const stride = width * channels;
  if (raw.length < height * (stride + 1)) throw new Error('PNG data too short');
  const rows = new Uint8Array(height * stride);
  for (let y = 0; y < height; ++y) {
    const filter = raw[y * (stride + 1)];
    const line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    for (let x = 0; x < stride; ++x) {
      const left = x >= channels ? rows[y * stride + x - channels] : 0;
      const up = y > 0 ? rows[(y - 1) * stride + x] : 0;
      const upLeft = y > 0 && x >= channels ? rows[(y - 1) * stride + x - channels] : 0;
      const predictor = [0, left, up, (left + up) >> 1, paeth(left, up, upLeft)][filter];
      if (predictor === undefined) throw new Error('bad PNG filter ' + filter);
      rows[y * stride + x] = (line[x] + predictor) & 0xFF;
    }
  }
  const rgb = new Uint8Array(width * height * 3);
  for (let i = 0; i < width * height; ++i) {
    for (let c = 0; c < 3; ++c) rgb[i * 3 + c] = rows[i * channels + (channels === 1 ? 0 : c)];
  }
  return {width, height, rgb};
}
