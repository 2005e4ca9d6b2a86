// iChannelResolution: texel-exact reads of the 512 bins.
void mainImage(out vec4 fragColor, in vec2 fragCoord) {
    float bins = iChannelResolution[0].x;
    float bin = floor(fragCoord.x / iResolution.x * bins);
    float value = texture(iChannel0, vec2((bin + 0.5) / bins, 0.25)).x;
    fragColor = vec4(vec3(value), 1.0);
}
