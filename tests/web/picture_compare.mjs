// How close a browser screenshot is to a desktop still: both reduced to a grid of block averages
// (the screenshot first cut to the letterboxed 800x600 picture), then compared block by block.
const kColumns = 40;
const kRows = 30;

// The picture inside a window of the given size, as the show letterboxes it.
export function letterbox(width, height, pictureWidth = 800, pictureHeight = 600) {
  const scale = Math.min(width / pictureWidth, height / pictureHeight);
  const w = Math.round(pictureWidth * scale), h = Math.round(pictureHeight * scale);
  return {x: Math.floor((width - w) / 2), y: Math.floor((height - h) / 2), width: w, height: h};
}

// Block averages (RGB, 0..255) of the `area` of an image.
export function blocks(image, area = {x: 0, y: 0, width: image.width, height: image.height}) {
  const sums = new Float64Array(kColumns * kRows * 3);
  const counts = new Float64Array(kColumns * kRows);
  for (let y = 0; y < area.height; ++y) {
    const row = Math.min(kRows - 1, Math.floor(y * kRows / area.height));
    for (let x = 0; x < area.width; ++x) {
      const column = Math.min(kColumns - 1, Math.floor(x * kColumns / area.width));
      const block = row * kColumns + column;
      const at = ((area.y + y) * image.width + area.x + x) * 3;
      for (let c = 0; c < 3; ++c) sums[block * 3 + c] += image.rgb[at + c];
      counts[block] += 1;
    }
  }
  return sums.map((sum, i) => sum / Math.max(1, counts[Math.floor(i / 3)]));
}

function luminance(grid) {
  const result = new Float64Array(grid.length / 3);
  for (let i = 0; i < result.length; ++i) {
    result[i] = 0.299 * grid[i * 3] + 0.587 * grid[i * 3 + 1] + 0.114 * grid[i * 3 + 2];
  }
  return result;
}

function mean(values) {
  return values.reduce((sum, v) => sum + v, 0) / values.length;
}

// The spread of the picture's brightness over its blocks: near 0 for a blank or flat picture.
export function brightnessSpread(grid) {
  const lum = luminance(grid);
  const m = mean(lum);
  return Math.sqrt(mean(lum.map(v => (v - m) * (v - m))));
}

// {difference: mean absolute channel difference of the blocks (0..255), correlation: of the
// blocks' brightness (-1..1)}.
export function closeness(a, b) {
  let difference = 0;
  for (let i = 0; i < a.length; ++i) difference += Math.abs(a[i] - b[i]);
  const la = luminance(a), lb = luminance(b);
  const ma = mean(la), mb = mean(lb);
  let cov = 0, va = 0, vb = 0;
  for (let i = 0; i < la.length; ++i) {
    cov += (la[i] - ma) * (lb[i] - mb);
    va += (la[i] - ma) ** 2;
    vb += (lb[i] - mb) ** 2;
  }
  const correlation = va > 0 && vb > 0 ? cov / Math.sqrt(va * vb) : 0;
  return {difference: difference / a.length, correlation};
}
