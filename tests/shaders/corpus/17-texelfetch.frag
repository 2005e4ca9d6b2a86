#version 330
// texelFetch on the audio texture, as newer shaders do.
void mainImage(out vec4 fragColor, in vec2 fragCoord) {
    int x = int(fragCoord.x / iResolution.x * 512.0);
    float spectrum = texelFetch(iChannel0, ivec2(x, 0), 0).x;
    float wave = texelFetch(iChannel0, ivec2(x, 1), 0).x;
    fragColor = vec4(spectrum, wave, 0.2, 1.0);
}
